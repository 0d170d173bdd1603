// A real main window driven offscreen through the scripted Desktop, with helpers to pick
// pictures, switch the format and look at the boards. Shared by the main window's tests.
#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>

#include "icon/program_state.h"
#include "support/scripted_desktop.h"
#include "support/test_pictures.h"
#include "ui/main/main_window.h"

namespace icogen::test::mainwin {

enum class Format { Size16, Size32, Dual };

inline const char* formatName(Format f) {
    return f == Format::Size16 ? "16" : f == Format::Size32 ? "32" : "Dual";
}

// Every pixel of a board's image, row by row from the top.
inline std::vector<Color> boardPixels(const platform::DrawingBoard& board) {
    const platform::BoardRaster& raster = board.raster();
    std::vector<Color> pixels;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x) pixels.push_back(raster.pixel(x, y));
    return pixels;
}

inline bool plain(const platform::DrawingBoard& board) {
    for (Color c : boardPixels(board))
        if (c != themeBackColor) return false;
    return true;
}

// The colour a test picture's opaque 0xAARRGGBB pixel shows on a board (0x00BBGGRR).
inline Color shown(std::uint32_t argb) {
    return rgb(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
               static_cast<int>(argb & 0xFF));
}

class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        initProgramState(state);
        window = std::make_unique<ui::MainWindow>(state, desktop, [this] { ++endCalls; });
    }
    void TearDown() override { EXPECT_TRUE(desktop.allAnswersUsed()); }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString pictureFile(const QString& name, const ByteBuffer& bytes) {
        const QString p = path(name);
        writeTestFile(p, bytes);
        return p;
    }

    void setFormat(Format f) {
        (f == Format::Size16   ? window->单选框1
         : f == Format::Size32 ? window->单选框2
                               : window->单选框3)
            ->setChecked(true);
    }

    // 选择图片 with the dialog confirmed on `file`.
    void choose(const QString& file) {
        desktop.confirmFileDialog(file);
        window->选择图片->click();
    }
    // 选择图片 with the dialog cancelled.
    void chooseCancelled() {
        desktop.cancelFileDialog();
        window->选择图片->click();
    }
    // Picks the bytes as a picture file in the given format.
    void convert(Format f, const ByteBuffer& bytes, const QString& name = QStringLiteral("p")) {
        setFormat(f);
        choose(pictureFile(name, bytes));
    }

    ProgramState state;
    ScriptedDesktop desktop;
    int endCalls = 0;
    QTemporaryDir dir;
    std::unique_ptr<ui::MainWindow> window;
};

}  // namespace icogen::test::mainwin
