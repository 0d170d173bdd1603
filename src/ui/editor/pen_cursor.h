// The grid board's mouse cursor: a pen pointing to the upper left, its tip on the hot spot.
#pragma once

#include <QCursor>
#include <array>

namespace icogen::ui {

inline constexpr int penCursorSide = 32;

// The artwork, one string a row from the top: '#' black, '.' white, ' ' transparent. The tip is
// the top-left pixel, which is the hot spot, so the pixel under the tip is the one painted.
extern const std::array<const char*, penCursorSide> penCursorArt;

// A 32x32 two-colour cursor (black outline, white body) with its hot spot at (0, 0).
QCursor penCursor();

}  // namespace icogen::ui
