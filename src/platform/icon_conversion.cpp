#include "platform/icon_conversion.h"

#include "platform/board_raster.h"

namespace icogen::platform {

picture::DecodeResult decodeForConversion(std::span<const std::uint8_t> bytes) {
    picture::DecodeOptions options;
    options.sizeHint = conversionSizeHint;
    return picture::decodePicture(bytes, options);
}

ByteBuffer lastBytes(std::span<const std::uint8_t> snapshot, std::size_t count) {
    if (snapshot.size() < count) return {};
    return ByteBuffer(snapshot.end() - static_cast<std::ptrdiff_t>(count), snapshot.end());
}

ConvertedIcon convertPicture(const picture::Picture& picture, IconSizes sizes) {
    ConvertedIcon result;
    if (sizes != IconSizes::Size32) {
        BoardRaster board(16, 16, themeBackColor);
        result.pixels16 = drawPixelRows(board, &picture, 16);
    }
    if (sizes != IconSizes::Size16) {
        BoardRaster board(32, 32, themeBackColor);
        result.pixels32 = drawPixelRows(board, &picture, 32);
    }
    switch (sizes) {
        case IconSizes::Size16:
            result.icon = icon::fillTemplate16(result.pixels16);
            break;
        case IconSizes::Size32:
            result.icon = icon::fillTemplate32(result.pixels32);
            break;
        case IconSizes::Dual:
            result.icon = icon::fillTemplateDual(result.pixels16, result.pixels32);
            break;
    }
    return result;
}

}  // namespace icogen::platform
