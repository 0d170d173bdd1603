// Shared set-up of the editor tests: a program state holding converted pixel rows, a scripted
// desktop and two result boards standing in for the main window's.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <memory>

#include "icon/icon_file.h"
#include "icon/program_state.h"
#include "platform/drawing_board.h"
#include "support/scripted_desktop.h"
#include "ui/editor/editor_window.h"

namespace icogen::ui::testing {

// Bottom-up pixel rows in which every pixel has its own colour: blue 3c + 1, green 5p + 2 (both
// never zero, so a transparent pixel always changes its bytes), red from `seed`.
inline ByteBuffer patternRows(int side, int seed) {
    ByteBuffer rows(static_cast<std::size_t>(side) * side * 3);
    for (int p = 0; p < side; ++p) {
        for (int c = 0; c < side; ++c) {
            const std::size_t at = (static_cast<std::size_t>(p) * side + c) * 3;
            rows[at] = static_cast<std::uint8_t>(3 * c + 1);
            rows[at + 1] = static_cast<std::uint8_t>(5 * p + 2);
            rows[at + 2] = static_cast<std::uint8_t>(seed + p + c);
        }
    }
    return rows;
}

// The widget position of a point of the board's drawing area.
inline QPoint onBoard(const platform::DrawingBoard* board, QPoint client) {
    return board->contentsRect().topLeft() + client;
}

class EditorTest : public ::testing::Test {
  protected:
    // A conversion in the given format, as the main window leaves it behind.
    void convert(IconFormat f) {
        if (f == IconFormat::Size16 || f == IconFormat::Dual) state.pixels16 = patternRows(16, 40);
        if (f == IconFormat::Size32 || f == IconFormat::Dual) state.pixels32 = patternRows(32, 90);
        if (f == IconFormat::Size16) state.outputIcon = icon::fillTemplate16(state.pixels16);
        if (f == IconFormat::Size32) state.outputIcon = icon::fillTemplate32(state.pixels32);
        if (f == IconFormat::Dual)
            state.outputIcon = icon::fillTemplateDual(state.pixels16, state.pixels32);
        format = f;
    }

    // What pressing 编辑 does before the window opens, then the window itself (its set-up runs).
    std::unique_ptr<EditorWindow> openEditor(IconFormat f) {
        format = f;
        if (f == IconFormat::Size16 || f == IconFormat::Dual)
            state.colorGrid16 = colorGridFromPixelRows(state.pixels16, 16);
        if (f == IconFormat::Size32 || f == IconFormat::Dual)
            state.colorGrid32 = colorGridFromPixelRows(state.pixels32, 32);
        auto editor = std::make_unique<EditorWindow>(
            state, desktop, [this] { return format; }, &result16, &result32);
        editor->show();
        return editor;
    }

    ProgramState state;
    test::ScriptedDesktop desktop;
    IconFormat format = IconFormat::Size32;
    platform::DrawingBoard result16{nullptr, platform::BorderKind::None, QSize(16, 16), true};
    platform::DrawingBoard result32{nullptr, platform::BorderKind::None, QSize(32, 32), true};
};

}  // namespace icogen::ui::testing
