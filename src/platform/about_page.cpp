#include "platform/about_page.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

#include "platform/desktop.h"

// The resource lives in a static library: name its initialiser so the linker keeps it.
static void initAboutResource() {
    Q_INIT_RESOURCE(about);
}

namespace icogen::platform {
namespace {

bool holds(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.size() == content.size() && file.open(QIODevice::ReadOnly) &&
           file.readAll() == content;
}

// A folder only this user can write to: created with mode 0700 if missing; an existing one must
// be a real folder (not a link) owned by this user.
bool privateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// The page written into `folder`, or an empty string.
QString writtenInto(const QString& folder, const QByteArray& html) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    const QString path = folder + QStringLiteral("/about.html");
    if (holds(path, html)) return path;
    const ByteBuffer bytes(html.begin(), html.end());
    return writeFileAtomically(path, bytes) == WriteStatus::Ok ? path : QString();
}

}  // namespace

QByteArray aboutPageHtml() {
    initAboutResource();
    QFile resource(QStringLiteral(":/icogen/about.html"));
    if (!resource.open(QIODevice::ReadOnly)) return {};
    return resource.readAll();
}

QUrl aboutPageUrl() {
    const QByteArray html = aboutPageHtml();
    if (html.isEmpty()) return {};

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QString path =
        cache.isEmpty() ? QString() : writtenInto(cache + QStringLiteral("/icogen"), html);
    if (path.isEmpty()) {
        const QString temp =
            QDir::tempPath() + QStringLiteral("/icogen-") + QString::number(::getuid());
        if (privateFolder(temp)) path = writtenInto(temp, html);
    }
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

}  // namespace icogen::platform
