#pragma once

namespace icogen::app {
// The application's version; the Windows version record (icogen.rc) and the AppStream metainfo
// carry the same number.
inline constexpr const char* applicationVersion = "1.1.0.0";
}  // namespace icogen::app
