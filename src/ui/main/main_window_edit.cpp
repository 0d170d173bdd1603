// Opening the icon editor on the converted pixel rows.
#include "ui/editor/editor_window.h"
#include "ui/main/main_window.h"

namespace icogen::ui {

void MainWindow::edit() {
    const IconFormat format = checkedFormat();
    // Without a converted icon, or when the checked format names a size no conversion has left
    // complete pixel rows for, there is no grid to show.
    if (state_.outputIcon.empty() || !canEditFormat(state_, format)) {
        desktop_.showMessage(this, QStringLiteral("还未进行转换！"), QStringLiteral("警告"),
                             platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }
    if (format == IconFormat::Size16 || format == IconFormat::Dual)
        state_.colorGrid16 = colorGridFromPixelRows(state_.pixels16, 16);
    if (format == IconFormat::Size32 || format == IconFormat::Dual)
        state_.colorGrid32 = colorGridFromPixelRows(state_.pixels32, 32);

    EditorWindow editor(
        state_, desktop_, [this] { return checkedFormat(); }, 图标画板1, 图标画板2, this);
    desktop_.runModal(editor);
}

}  // namespace icogen::ui
