#include "ui/editor/pen_cursor.h"

#include <QBitmap>
#include <QImage>

namespace icogen::ui {

const std::array<const char*, penCursorSide> penCursorArt = {
    "###                             ", "######                          ",
    "##....##                        ", " #......##                      ",
    " #........#                     ", " #.......###                    ",
    "  #.....##..#                   ", "  #....##....#                  ",
    "   #..##......#                 ", "   #.##........#                ",
    "    ##..........#               ", "     #...........#              ",
    "      #...........#             ", "       #...........#            ",
    "        #...........#           ", "         #...........#          ",
    "          #...........#         ", "           #...........#        ",
    "            #...........#       ", "             #.........#        ",
    "              #.......#         ", "               #.....#          ",
    "                #...#           ", "                 #.#            ",
    "                  #             ", "                                ",
    "                                ", "                                ",
    "                                ", "                                ",
    "                                ", "                                ",
};

QCursor penCursor() {
    // Two one-bit images: in `shape` 1 is black, in `mask` 1 is opaque; a white pixel is a 0 in
    // `shape` with a 1 in `mask`.
    QImage shape(penCursorSide, penCursorSide, QImage::Format_Mono);
    QImage mask(penCursorSide, penCursorSide, QImage::Format_Mono);
    for (QImage* image : {&shape, &mask}) {
        // Index 0 is Qt::color0 (white, clear), index 1 is Qt::color1 (black, set).
        image->setColorCount(2);
        image->setColor(0, qRgb(255, 255, 255));
        image->setColor(1, qRgb(0, 0, 0));
        image->fill(0);
    }
    for (int y = 0; y < penCursorSide; ++y) {
        for (int x = 0; x < penCursorSide; ++x) {
            const char c = penCursorArt[static_cast<std::size_t>(y)][x];
            if (c == '#') shape.setPixel(x, y, 1);
            if (c == '#' || c == '.') mask.setPixel(x, y, 1);
        }
    }
    return QCursor(QBitmap::fromImage(shape), QBitmap::fromImage(mask), 0, 0);
}

}  // namespace icogen::ui
