#pragma once

namespace icogen::ui {

// The icon format the main window's checked radio button names. It is never remembered: every
// step that depends on it reads the radio buttons afresh.
enum class IconFormat { None, Size16, Size32, Dual };

}  // namespace icogen::ui
