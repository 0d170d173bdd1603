// Opening the icon editor. (Being written.)
#include "ui/main/main_window.h"

namespace icogen::ui {
void MainWindow::edit() {}
}  // namespace icogen::ui
