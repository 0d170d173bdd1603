#include "cli/convert_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <map>
#include <ostream>

#include "platform/desktop.h"

#ifndef ICOGEN_VERSION
#define ICOGEN_VERSION "1.1.0.0"
#endif

namespace icogen::cli {
namespace {

constexpr const char* programName = "icogen-convert";

std::optional<platform::IconSizes> parseSizes(const std::string& text) {
    if (text == "16") return platform::IconSizes::Size16;
    if (text == "32") return platform::IconSizes::Size32;
    if (text == "16,32" || text == "32,16") return platform::IconSizes::Dual;
    return std::nullopt;
}

QString fromLocal(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string toLocal(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// "photos/cat.jpg" -> "cat.ico"; "cat" -> "cat.ico"; ".hidden" -> ".hidden.ico".
QString iconName(const QString& picturePath) {
    QString name = picturePath.mid(picturePath.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) name.truncate(dot);
    return name + QStringLiteral(".ico");
}

// The icon beside the picture: the picture's path with its extension replaced by .ico.
QString besidePicture(const QString& picturePath) {
    const qsizetype slash = picturePath.lastIndexOf(u'/');
    return picturePath.left(slash + 1) + iconName(picturePath);
}

QString inFolder(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

std::string failureReason(picture::Failure failure, std::span<const std::uint8_t> bytes) {
    static constexpr const char* kindNames[] = {"BMP", "JPEG", "PNG", "GIF", "ICO", "CUR", "PCX"};
    const auto kind = picture::sniffKind(bytes);
    const std::string kindName = kind ? kindNames[static_cast<int>(*kind)] : "";
    switch (failure) {
        case picture::Failure::NotAPicture:
            return "not a picture icogen can read (BMP, JPEG, PNG, GIF, ICO, CUR or PCX)";
        case picture::Failure::Corrupt:
            return "damaged " + kindName + " file";
        case picture::Failure::Unsupported:
            return "a kind of " + kindName + " file icogen cannot read";
        case picture::Failure::TooLarge:
            return kindName + " picture too large to read";
    }
    return "not a picture";
}

std::string writeReason(platform::WriteStatus status) {
    switch (status) {
        case platform::WriteStatus::Ok:
            return "written";
        case platform::WriteStatus::CannotCreate:
            return "the file cannot be created there";
        case platform::WriteStatus::WriteFailed:
            return "writing failed";
        case platform::WriteStatus::VerifyFailed:
            return "the file written did not read back the same";
        case platform::WriteStatus::RenameFailed:
            return "the file could not be put in place";
    }
    return "writing failed";
}

class Reporter {
  public:
    explicit Reporter(std::ostream& err) : err_(err) {}
    void fail(const std::string& picture, const std::string& reason) {
        err_ << programName << ": " << picture << ": " << reason << '\n';
        failed_ = true;
    }
    bool failed() const { return failed_; }

  private:
    std::ostream& err_;
    bool failed_ = false;
};

// Converts one picture into `target`; false (with the reason reported) when it was not done.
bool convertOne(const std::string& pictureArg, const QString& target, const Options& options,
                std::map<QString, std::string>& made, Reporter& report) {
    const QString picturePath = fromLocal(pictureArg);
    const QFileInfo pictureInfo(picturePath);
    if (!pictureInfo.exists()) {
        report.fail(pictureArg, "no such file");
        return false;
    }
    if (pictureInfo.isDir()) {
        report.fail(pictureArg, "is a folder, not a picture");
        return false;
    }
    if (!pictureInfo.isFile()) {
        report.fail(pictureArg, "not a regular file");
        return false;
    }

    const QFileInfo targetInfo(target);
    const QString key = QDir::cleanPath(targetInfo.absoluteFilePath());
    if (const auto earlier = made.find(key); earlier != made.end()) {
        report.fail(pictureArg, "its icon " + toLocal(target) +
                                    " would replace the one just made from " + earlier->second);
        return false;
    }
    if (targetInfo.isDir()) {
        report.fail(pictureArg, toLocal(target) + " is a folder");
        return false;
    }
    if (!options.force && (targetInfo.exists() || targetInfo.isSymLink())) {
        report.fail(pictureArg, toLocal(target) + " already exists (--force replaces it)");
        return false;
    }

    picture::DecodeResult decoded;
    {
        ByteBuffer bytes = platform::readFileBytes(picturePath);
        if (bytes.empty()) {
            // Whole-file reading stops at 1 GiB: no picture the decoder takes comes near it.
            const char* reason = pictureInfo.size() == 0 ? "empty file, not a picture"
                                 : pictureInfo.size() > (qint64{1} << 30)
                                     ? "larger than 1 GiB, not read"
                                     : "cannot be read";
            report.fail(pictureArg, reason);
            return false;
        }
        decoded = platform::decodeForConversion(bytes);
        if (!decoded) {
            report.fail(pictureArg, failureReason(decoded.failure, bytes));
            return false;
        }
    }  // the file's bytes are released before the boards are drawn

    const ByteBuffer icon = platform::convertPicture(*decoded.picture, options.sizes).icon;
    decoded = {};
    if (const auto status = platform::writeFileAtomically(target, icon);
        status != platform::WriteStatus::Ok) {
        report.fail(pictureArg, "cannot write " + toLocal(target) + ": " + writeReason(status));
        return false;
    }
    made.emplace(key, pictureArg);
    return true;
}

}  // namespace

ParsedArguments parseArguments(std::span<const std::string> args) {
    Options options;
    auto error = [](std::string text) { return ParsedArguments{std::nullopt, std::move(text)}; };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.pictures.push_back(arg);
            continue;
        }
        // An option's value, given as "--name=value" or as the next argument.
        auto value = [&](const std::string& name, std::string& into) {
            if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
                into = arg.substr(name.size() + 1);
                return true;
            }
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        auto is = [&](const std::string& name) {
            return arg == name || arg.compare(0, name.size() + 1, name + "=") == 0;
        };
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "-f" || arg == "--force") {
            options.force = true;
        } else if (is("--size")) {
            std::string text;
            if (!value("--size", text)) return error("--size needs a value: 16, 32 or 16,32");
            const auto sizes = parseSizes(text);
            if (!sizes) return error("--size takes 16, 32 or 16,32, not '" + text + "'");
            options.sizes = *sizes;
        } else if (arg == "-o" || is("--output")) {
            std::string text;
            if (!value(arg == "-o" ? "-o" : "--output", text) || text.empty())
                return error(arg + " needs a file or folder name");
            options.output = text;
        } else if (arg.compare(0, 2, "-o") == 0) {
            options.output = arg.substr(2);
        } else {
            return error("unknown option '" + arg + "'");
        }
    }
    if (options.help || options.version) return {std::move(options), {}};
    if (options.pictures.empty()) return error("no picture given");
    return {std::move(options), {}};
}

std::string usageText() {
    return "Usage: icogen-convert [--size 16|32|16,32] [-o OUTPUT] [--force] PICTURE...\n"
           "Converts pictures (BMP, JPEG, PNG, GIF, ICO, CUR, PCX) into Windows icon files with\n"
           "uncompressed 24-bit images: the same icons the icogen window saves.\n"
           "\n"
           "  --size 16|32|16,32   the icon's images: 16x16, 32x32 (the default) or both\n"
           "  -o, --output OUTPUT  with one picture, the icon file to write (default: the\n"
           "                       picture's name with .ico); with several pictures, the folder\n"
           "                       to write them into (default: beside each picture)\n"
           "  -f, --force          replace icon files that already exist\n"
           "  -h, --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "Exit status: 0 when every picture was converted; 1 when any was not (each such\n"
           "picture is named on standard error, the others are still converted); 2 when the\n"
           "command line is wrong.\n";
}

std::string versionText() {
    return std::string(programName) + " " + ICOGEN_VERSION + "\n";
}

int runConvert(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    const ParsedArguments parsed = parseArguments(args);
    if (!parsed.options) {
        err << programName << ": " << parsed.error << "\n\n" << usageText();
        return exitUsage;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        out << usageText();
        return exitOk;
    }
    if (options.version) {
        out << versionText();
        return exitOk;
    }

    // Where each icon goes.
    std::optional<QString> folder;
    std::optional<QString> singleTarget;
    if (options.output) {
        const QString output = fromLocal(*options.output);
        const QFileInfo outputInfo(output);
        if (options.pictures.size() == 1 && !outputInfo.isDir()) {
            singleTarget = output;
        } else if (outputInfo.exists() && !outputInfo.isDir()) {
            err << programName << ": " << *options.output
                << ": with several pictures the output must be a folder\n\n"
                << usageText();
            return exitUsage;
        } else {
            if (!outputInfo.exists() && !QDir().mkpath(output)) {
                err << programName << ": " << *options.output << ": cannot create the folder\n";
                return exitFailed;
            }
            folder = output;
        }
    }

    Reporter report(err);
    std::map<QString, std::string> made;
    for (const std::string& pictureArg : options.pictures) {
        const QString picturePath = fromLocal(pictureArg);
        const QString target = singleTarget ? *singleTarget
                               : folder     ? inFolder(*folder, iconName(picturePath))
                                            : besidePicture(picturePath);
        convertOne(pictureArg, target, options, made, report);
    }
    return report.failed() ? exitFailed : exitOk;
}

}  // namespace icogen::cli
