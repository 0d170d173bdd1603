// Picture bytes to icon bytes: the one conversion path the main window and icogen-convert share,
// so the same picture gives the same icon file byte for byte either way.
//
// A board does the scaling: the picture is drawn stretched over the whole 16x16 or 32x32 board,
// and the board's 24-bit snapshot ends with exactly the pixel rows the icon files store
// (bottom-up, blue-green-red, no row padding at these widths). Those rows are patched into a
// fresh copy of a template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "icon/icon_file.h"
#include "picture/picture.h"

namespace icogen::platform {

// Every conversion decodes with this size hint, so a large picture arrives already reduced while
// its rows stream in (never below 256 pixels a side), and both users of this file see the same
// pixels.
inline constexpr std::uint32_t conversionSizeHint = 256;

enum class IconSizes { Size16, Size32, Dual };

// The picture as a conversion needs it, with the shared size hint.
picture::DecodeResult decodeForConversion(std::span<const std::uint8_t> bytes);

// The last `count` bytes of a board snapshot, or empty when the snapshot is shorter.
ByteBuffer lastBytes(std::span<const std::uint8_t> snapshot, std::size_t count);

// Draws the picture (none draws nothing) stretched over the board's square top-left side x side
// area and returns the board's pixel rows. `Board` is a DrawingBoard or a BoardRaster.
template <class Board>
ByteBuffer drawPixelRows(Board& board, const picture::Picture* picture, int side) {
    board.drawPictureStretched(picture, 0, 0, side, side);
    return lastBytes(board.snapshot(), static_cast<std::size_t>(side) * side * 3);
}

struct ConvertedIcon {
    ByteBuffer icon;      // 894, 3,262 or 4,150 bytes
    ByteBuffer pixels16;  // 768 bytes, or empty when the format has no 16x16 image
    ByteBuffer pixels32;  // 3,072 bytes, or empty when the format has no 32x32 image
};

// The icon the main window makes from this picture on fresh result boards (plain
// themeBackColor under the picture's transparent pixels).
ConvertedIcon convertPicture(const picture::Picture& picture, IconSizes sizes);

}  // namespace icogen::platform
