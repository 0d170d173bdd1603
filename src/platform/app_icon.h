// The application icon: one 28 x 32 image, 32 bits with alpha, kept as a complete icon file in
// the program's resources. Both windows show it as their window icon.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

namespace icogen::platform {

// The 3,774 bytes of the icon file, as kept in the resources.
QByteArray appIconFile();

// The icon's image (ARGB32, 28 x 32), decoded from appIconFile() without an image plug-in; a
// null image if the bytes are not the expected one-image 32-bit icon.
QImage appIconImage();

// The window icon of both windows.
QIcon appIcon();

}  // namespace icogen::platform
