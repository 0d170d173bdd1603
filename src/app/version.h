#pragma once

namespace icogen::app {
inline constexpr const char* applicationVersion = "1.1.0.0";
}
