#include "platform/app_icon.h"

#include <QFile>
#include <cstdint>

// Resources of a static library are registered by hand, outside any namespace.
static void registerAppIconResource() {
    Q_INIT_RESOURCE(app_icon);
}

namespace icogen::platform {
namespace {

constexpr int iconWidth = 28;
constexpr int iconHeight = 32;
constexpr qsizetype imageOffset = 22;
constexpr qsizetype headerSize = 40;
constexpr qsizetype colourBytes = qsizetype{iconWidth} * iconHeight * 4;

std::uint32_t readLe(const QByteArray& b, qsizetype at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

}  // namespace

QByteArray appIconFile() {
    static const QByteArray bytes = [] {
        registerAppIconResource();
        QFile file(QStringLiteral(":/icogen/app_icon.ico"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

QImage appIconImage() {
    const QByteArray f = appIconFile();
    // Only the one layout this program ships is accepted: one 28 x 32 entry at offset 22 whose
    // BITMAPINFOHEADER describes 32-bit BI_RGB rows, twice the height for the mask.
    if (f.size() < imageOffset + headerSize + colourBytes) return {};
    if (readLe(f, 2, 2) != 1 || readLe(f, 4, 2) != 1) return {};
    if (readLe(f, 18, 4) != imageOffset || readLe(f, imageOffset, 4) != headerSize) return {};
    if (readLe(f, imageOffset + 4, 4) != iconWidth ||
        readLe(f, imageOffset + 8, 4) != 2 * iconHeight || readLe(f, imageOffset + 14, 2) != 32 ||
        readLe(f, imageOffset + 16, 4) != 0)
        return {};

    QImage image(iconWidth, iconHeight, QImage::Format_ARGB32);
    const qsizetype colour = imageOffset + headerSize;
    for (int y = 0; y < iconHeight; ++y) {
        // Rows are stored bottom-up, each pixel as blue, green, red, alpha.
        const qsizetype row = colour + qsizetype{iconHeight - 1 - y} * iconWidth * 4;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < iconWidth; ++x) {
            const qsizetype p = row + qsizetype{x} * 4;
            line[x] =
                qRgba(static_cast<std::uint8_t>(f[p + 2]), static_cast<std::uint8_t>(f[p + 1]),
                      static_cast<std::uint8_t>(f[p]), static_cast<std::uint8_t>(f[p + 3]));
        }
    }
    return image;
}

QIcon appIcon() {
    const QImage image = appIconImage();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace icogen::platform
