// Saving, clearing and leaving. (Being written.)
#include <QUrl>

#include "ui/main/main_window.h"

namespace icogen::ui {
void MainWindow::save() {}
void MainWindow::clear() {}
void MainWindow::leave() {}
void MainWindow::promoteOnClose() {}
QUrl MainWindow::promotionAddress() { return {}; }
}  // namespace icogen::ui
