// Picking a picture and converting it into the checked format.
//
// The preview board 位图画板1 holds the picture file's bytes; every conversion starts again from
// those bytes. The result boards do the scaling: the picture is drawn stretched over the whole
// board and the last bytes of the board's snapshot are the icon's pixel rows.
#include <QLabel>

#include "platform/icon_conversion.h"
#include "ui/main/main_window.h"

namespace icogen::ui {
namespace {

const QString openFilter =
    QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png|所有文件(*.*)|*.*");
const QString warningTitle = QStringLiteral("警告");

// The picture a convert step draws: the one under conversion, or, when a step runs on its own,
// the preview board's bytes decoded now (none when they do not decode: nothing is drawn).
class SourcePicture {
  public:
    SourcePicture(const picture::Picture* underConversion,
                  const platform::DrawingBoard& previewBoard) {
        if (underConversion) {
            picture_ = underConversion;
            return;
        }
        platform::BusyCursor busy;
        decoded_ = platform::decodeForConversion(previewBoard.backgroundPicture());
        picture_ = decoded_.picture ? &*decoded_.picture : nullptr;
    }
    const picture::Picture* get() const { return picture_; }

  private:
    picture::DecodeResult decoded_;
    const picture::Picture* picture_ = nullptr;
};

}  // namespace

void MainWindow::selectPicture() {
    // The file name stays as the last open or save left it, so the dialog opens there.
    通用对话框1.filter = openFilter;
    通用对话框1.kind = platform::FileDialogComponent::Kind::Open;
    通用对话框1.defaultExtension.clear();

    const IconFormat format = checkedFormat();
    if (format == IconFormat::None) return;

    if (desktop_.showFileDialog(this, 通用对话框1)) {
        ByteBuffer bytes;
        {
            platform::BusyCursor busy;
            bytes = desktop_.readWholeFile(通用对话框1.fileName);
        }
        位图画板1->setBackgroundPicture(bytes);
        // Both images of the two-size format come from this picture.
        if (format == IconFormat::Dual) 位图画板2->setBackgroundPicture(bytes);
    }
    // A cancelled dialog converts the loaded picture again, into the format checked now.
    runConversion();
}

void MainWindow::runConversion() {
    const ByteBuffer bytes = 位图画板1->backgroundPicture();
    if (bytes.empty()) {
        desktop_.showMessage(this, QStringLiteral("你还未载入图像文件！"), warningTitle,
                             platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }

    picture::DecodeResult decoded;
    {
        platform::BusyCursor busy;
        decoded = platform::decodeForConversion(bytes);
    }
    if (!decoded) {
        // Bytes that do not decode would only repeat what the result boards already show.
        const QString text = decoded.failure == picture::Failure::TooLarge
                                 ? QStringLiteral("图像太大，无法读取！")
                                 : QStringLiteral("不是本程序能读取的图像文件！");
        desktop_.showMessage(this, text, warningTitle, platform::MessageIcon::Warning,
                             platform::MessageButtons::Ok);
        return;
    }
    // convert16, convert32 and convertDual draw this picture; none of them decodes again.
    pictureUnderConversion_ = &*decoded.picture;

    图标画板1->hide();
    图标画板2->hide();
    标签1->hide();
    标签2->hide();
    switch (checkedFormat()) {
        case IconFormat::Size16:
            convert16();
            图标画板1->show();
            标签1->show();
            break;
        case IconFormat::Size32:
            convert32();
            图标画板2->show();
            标签2->show();
            break;
        case IconFormat::Dual:
            convertDual();
            图标画板1->show();
            标签1->show();
            图标画板2->show();
            标签2->show();
            break;
        case IconFormat::None:
            break;
    }
    pictureUnderConversion_ = nullptr;
}

void MainWindow::convert16() {
    const SourcePicture source(pictureUnderConversion_, *位图画板1);
    // The board is not cleared first: what the picture leaves uncovered (transparent ICO
    // pixels) keeps what the board showed.
    state_.pixels16 = platform::drawPixelRows(*图标画板1, source.get(), 16);
    state_.outputIcon = icon::fillTemplate16(state_.pixels16);
}

void MainWindow::convert32() {
    const SourcePicture source(pictureUnderConversion_, *位图画板1);
    state_.pixels32 = platform::drawPixelRows(*图标画板2, source.get(), 32);
    state_.outputIcon = icon::fillTemplate32(state_.pixels32);
}

void MainWindow::convertDual() {
    // Both images come from the picture on 位图画板1. 位图画板2 may hold another picture, or
    // none, when the format was changed after the last choice; it is given 位图画板1's first.
    const ByteBuffer bytes = 位图画板1->backgroundPicture();
    if (位图画板2->backgroundPicture() != bytes) 位图画板2->setBackgroundPicture(bytes);

    const SourcePicture source(pictureUnderConversion_, *位图画板1);
    state_.pixels16 = platform::drawPixelRows(*图标画板1, source.get(), 16);
    state_.pixels32 = platform::drawPixelRows(*图标画板2, source.get(), 32);
    state_.outputIcon = icon::fillTemplateDual(state_.pixels16, state_.pixels32);
}

}  // namespace icogen::ui
