#include "platform/desktop.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <new>

namespace icogen::platform {
namespace {

// Files larger than this are treated as unreadable: no picture the program handles comes near
// it, and reading one whole would only exhaust memory.
constexpr qint64 maxReadSize = qint64{1} << 30;

// Closes a descriptor when it goes out of scope, unless released.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close() {
        if (fd_ < 0) return true;
        const int r = ::close(fd_);
        fd_ = -1;
        return r == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads the file back and compares it with what was meant to be written.
bool sameContent(const QByteArray& path, const ByteBuffer& expected) {
    Fd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    std::uint8_t chunk[65536];
    std::size_t offset = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        const auto got = static_cast<std::size_t>(n);
        if (got > expected.size() - offset) return false;
        if (std::memcmp(chunk, expected.data() + offset, got) != 0) return false;
        offset += got;
    }
    return offset == expected.size();
}

}  // namespace

ByteBuffer readFileBytes(const QString& path) {
    if (path.isEmpty()) return {};
    // Only regular files: a device or a pipe could block or never end.
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 size = file.size();
    if (size <= 0 || size > maxReadSize) return {};
    ByteBuffer bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return {};
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(bytes.data()) + done, size - done);
        if (n < 0) return {};
        if (n == 0) break;  // the file shrank while being read
        done += n;
    }
    bytes.resize(static_cast<std::size_t>(done));
    return bytes;
}

WriteStatus writeFileAtomically(const QString& path, const ByteBuffer& bytes) {
    if (path.isEmpty()) return WriteStatus::CannotCreate;
    QFileInfo info(path);
    // Writing through a symbolic link replaces the file it points to, not the link.
    if (info.isSymLink() && info.exists()) info = QFileInfo(info.symLinkTarget());
    const QString folder = info.absolutePath();
    const QString name = info.fileName();
    if (name.isEmpty()) return WriteStatus::CannotCreate;

    // Keep the permissions of a file that is replaced.
    mode_t mode = 0666;  // less the umask
    struct stat existing {};
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const bool replacing = ::stat(target.constData(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode)) return WriteStatus::CannotCreate;

    QByteArray temp;
    int rawFd = -1;
    for (int attempt = 0; attempt < 16 && rawFd < 0; ++attempt) {
        temp = QFile::encodeName(folder + QStringLiteral("/.") + name + QStringLiteral(".tmp-") +
                                 QString::number(QRandomGenerator::global()->generate64(), 36));
        rawFd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (rawFd < 0 && errno != EEXIST) break;
    }
    if (rawFd < 0) return WriteStatus::CannotCreate;
    Fd fd(rawFd);

    auto fail = [&](WriteStatus status) {
        fd.close();
        ::unlink(temp.constData());
        return status;
    };

    if (replacing) ::fchmod(fd.get(), existing.st_mode & 07777);
    if (!writeAll(fd.get(), bytes.data(), bytes.size())) return fail(WriteStatus::WriteFailed);
    if (::fsync(fd.get()) != 0) return fail(WriteStatus::WriteFailed);
    if (!fd.close()) return fail(WriteStatus::WriteFailed);
    if (!sameContent(temp, bytes)) return fail(WriteStatus::VerifyFailed);
    if (::rename(temp.constData(), target.constData()) != 0) return fail(WriteStatus::RenameFailed);

    // Make the rename itself durable; a failure here leaves the new file in place.
    Fd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return WriteStatus::Ok;
}

BusyCursor::BusyCursor() {
    active_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (active_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    if (active_ && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

}  // namespace icogen::platform
