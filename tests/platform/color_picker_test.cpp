// The colour picker of the editor.
#include "platform/color_picker.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <set>

namespace icogen::platform {
namespace {

TEST(ColorPicker, StartsWhiteAndReportsChanges) {
    ColorPicker picker;
    EXPECT_EQ(picker.color(), 0x00FFFFFFu);
    QSignalSpy changed(&picker, &ColorPicker::colorChanged);
    picker.setColor(0x00FFFFFF);
    EXPECT_EQ(changed.count(), 0);
    picker.setColor(0xFF0000FF);  // no transparency: the top byte is dropped
    EXPECT_EQ(picker.color(), 0x000000FFu);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<Color>(), 0x000000FFu);
}

TEST(ColorPicker, PaletteOffersDistinctColoursWithBlackAndWhite) {
    const auto& colors = ColorPicker::paletteColors();
    EXPECT_GE(colors.size(), 16u);
    EXPECT_LE(colors.size(), 48u);
    const std::set<Color> distinct(colors.begin(), colors.end());
    EXPECT_EQ(distinct.size(), colors.size());
    EXPECT_TRUE(distinct.count(0x00000000u));
    EXPECT_TRUE(distinct.count(0x00FFFFFFu));
    for (Color c : colors) EXPECT_EQ(c & 0xFF000000u, 0u);
}

class OpenPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        picker.resize(90, 24);
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(45, 12));
        ASSERT_NE(picker.dropDown(), nullptr);
        ASSERT_TRUE(picker.dropDown()->isVisible());
    }
    QAction* otherColour() const {
        const auto actions = picker.dropDown()->actions();
        return actions.isEmpty() ? nullptr : actions.last();
    }
    ColorPicker picker;
};

TEST_F(OpenPickerTest, ClickingASwatchTakesItsColour) {
    const auto& colors = ColorPicker::paletteColors();
    const std::size_t pick = 9;
    auto* swatch = picker.dropDown()->findChild<QToolButton*>(QStringLiteral("swatch%1").arg(pick));
    ASSERT_NE(swatch, nullptr);
    swatch->click();
    EXPECT_EQ(picker.color(), colors[pick]);
    EXPECT_FALSE(picker.dropDown()->isVisible());
}

TEST_F(OpenPickerTest, OtherColourAsksTheColourDialog) {
    QAction* other = otherColour();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->text(), QStringLiteral("其他颜色..."));
    Color offered = 0;
    picker.setOtherColorChooser([&](QWidget*, Color current) -> std::optional<Color> {
        offered = current;
        return 0x00123456;
    });
    other->trigger();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(offered, 0x00FFFFFFu);  // the dialog starts on the current colour
    EXPECT_EQ(picker.color(), 0x00123456u);

    picker.setOtherColorChooser([](QWidget*, Color) { return std::optional<Color>(); });
    picker.chooseOtherColor();  // cancelled
    EXPECT_EQ(picker.color(), 0x00123456u);
}

}  // namespace
}  // namespace icogen::platform
