// The program-wide state: everything that outlives one event handler. Both windows get a
// reference to the one record the application owns and read and write its fields directly.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "icon/icon_file.h"

namespace icogen {

// A colour grid: element [p][c] is column c of pixel row p, p = 0 being the BOTTOM row, as the
// pixel rows store them. At start-up a grid is an array of one dimension with no elements.
struct ColorGrid {
    int dimensions = 1;
    int rows = 0;
    int columns = 0;
    std::vector<Color> cells;

    static ColorGrid square(int side) {
        return {2, side, side, std::vector<Color>(static_cast<std::size_t>(side) * side, 0)};
    }
    bool empty() const { return cells.empty(); }
    Color& at(int p, int c) { return cells[static_cast<std::size_t>(p) * columns + c]; }
    Color at(int p, int c) const { return cells[static_cast<std::size_t>(p) * columns + c]; }
};

struct ProgramState {
    ByteBuffer outputIcon;      // a complete icon file of 894, 3,262 or 4,150 bytes, or empty
    ByteBuffer pixels16;        // 768 bytes of 16x16 pixel rows, or empty
    ByteBuffer pixels32;        // 3,072 bytes of 32x32 pixel rows, or empty
    ColorGrid colorGrid16;
    ColorGrid colorGrid32;
    ByteBuffer workIcon16;      // the 16x16 icon being edited (894 bytes), or empty
    ByteBuffer workIcon32;      // the 32x32 icon being edited (3,262 bytes), or empty
    Color labelBackColor = 0;
    Color gridBackColor = 0;
    std::int32_t editSize = 0;  // 1 = 16x16, 2 = 32x32; 0 before the editor first opens
    bool isPainting = false;
    Color previewColor = 0;
};

// Gives the colour grids their start value, an empty one-dimensional array each.
void initProgramState(ProgramState& state);

// Releases outputIcon, colorGrid16, pixels16, colorGrid32, pixels32, workIcon16 and workIcon32 in
// this order, skipping any that holds nothing. Returns the names of those it released, in order.
std::vector<std::string_view> releaseProgramState(ProgramState& state);

}  // namespace icogen
