// Picking a picture and converting it into the checked format. (Being written.)
#include "ui/main/main_window.h"

namespace icogen::ui {
void MainWindow::selectPicture() {}
void MainWindow::runConversion() {}
void MainWindow::convert16() {}
void MainWindow::convert32() {}
void MainWindow::convertDual() {}
}  // namespace icogen::ui
