#include "widgets/hover_button.h"
#include "widgets/resource_icons.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <climits>

namespace {

using widgets::HoverButton;

std::string numberName(const testing::TestParamInfo<int>& info) {
    const std::string digits = std::to_string(info.param);
    return info.param < 0 ? "Minus" + digits.substr(1) : "Id" + digits;
}

void expectSystemColours(const HoverButton& button, const QColor& face, const QColor& text) {
    for (int i : {HoverButton::BackHover, HoverButton::BackNormal, HoverButton::BackFocus})
        EXPECT_EQ(button.stateColor(i), face) << "colour " << i;
    for (int i : {HoverButton::TextHover, HoverButton::TextNormal, HoverButton::TextFocus})
        EXPECT_EQ(button.stateColor(i), text) << "colour " << i;
}

void setOwnerColours(HoverButton& button) {
    for (int i : {0, 2, 4})
        ASSERT_EQ(button.SetStateColor(i, QColor(0, 200, 255), false), HoverButton::kOk);
    for (int i : {1, 3, 5})
        ASSERT_EQ(button.SetStateColor(i, QColor(128, 0, 0), false), HoverButton::kOk);
}

TEST(HoverButtonStateTest, StartsFlatNotHoveringInSystemColoursWithoutImage) {
    HoverButton button(QStringLiteral("Scan"));
    EXPECT_TRUE(button.isFlatLook());
    EXPECT_FALSE(button.isHovering());
    EXPECT_FALSE(button.hasImage());
    const QPalette system = QApplication::palette(&button);
    expectSystemColours(button, system.color(QPalette::Button), system.color(QPalette::ButtonText));
}

TEST(HoverButtonStateTest, SetStateColorStoresEachOfTheSixIndices) {
    HoverButton button;
    for (int i = 0; i < HoverButton::kColorCount; ++i) {
        const QColor colour(10 * i, 255 - 10 * i, 3 * i);
        EXPECT_EQ(button.SetStateColor(i, colour, true), HoverButton::kOk);
        EXPECT_EQ(button.stateColor(i), colour);
    }
}

class HoverButtonBadIndexTest : public testing::TestWithParam<int> {};

TEST_P(HoverButtonBadIndexTest, SetStateColorRefusesAndChangesNothing) {
    HoverButton button;
    setOwnerColours(button);
    EXPECT_EQ(button.SetStateColor(GetParam(), Qt::green, true), HoverButton::kBadColorIndex);
    expectSystemColours(button, QColor(0, 200, 255), QColor(128, 0, 0));
    EXPECT_FALSE(button.stateColor(GetParam()).isValid());
}

INSTANTIATE_TEST_SUITE_P(OutsideZeroToFive, HoverButtonBadIndexTest,
                         testing::Values(6, 7, 1000, INT_MAX, -1, INT_MIN), numberName);

TEST(HoverButtonStateTest, ResetColorsReturnsToSystemColours) {
    HoverButton button;
    setOwnerColours(button);
    button.ResetColors(true);
    const QPalette system = QApplication::palette(&button);
    expectSystemColours(button, system.color(QPalette::Button), system.color(QPalette::ButtonText));
}

TEST(HoverButtonStateTest, SystemColourChangeResetsOwnerColours) {
    const QPalette saved = QApplication::palette();
    QWidget window;
    auto& button = *new HoverButton(QStringLiteral("IN01"), &window);
    setOwnerColours(button);

    QPalette changed = saved;
    changed.setColor(QPalette::Button, QColor(12, 34, 56));
    changed.setColor(QPalette::ButtonText, QColor(250, 240, 230));
    QApplication::setPalette(changed);
    QCoreApplication::processEvents(); // the new palette reaches the window's children posted
    expectSystemColours(button, QColor(12, 34, 56), QColor(250, 240, 230));

    QApplication::setPalette(saved);
    QCoreApplication::processEvents();
    expectSystemColours(button, saved.color(QPalette::Button), saved.color(QPalette::ButtonText));
}

TEST(HoverButtonStateTest, PaletteOfTheOwnerWindowKeepsOwnerColours) {
    QWidget window;
    auto& button = *new HoverButton(QStringLiteral("IN01"), &window);
    setOwnerColours(button);
    QPalette own = window.palette();
    own.setColor(QPalette::Window, QColor(1, 2, 3));
    window.setPalette(own);
    QCoreApplication::processEvents();
    expectSystemColours(button, QColor(0, 200, 255), QColor(128, 0, 0));
}

TEST(HoverButtonStateTest, EveryIconResourceLoadsAtItsOwnSize) {
    HoverButton button(QStringLiteral("Test"));
    for (int id = widgets::kApplicationIconId; id <= widgets::kMarkerIconId; ++id) {
        EXPECT_EQ(button.SetIcons(id), HoverButton::kOk) << "icon " << id;
        EXPECT_TRUE(button.hasImage()) << "icon " << id;
        EXPECT_EQ(button.imageSize(), QSize(32, 32)) << "icon " << id;
        EXPECT_FALSE(widgets::resourceIcon(id).isNull()) << "icon " << id;
    }
}

class HoverButtonMissingIconTest : public testing::TestWithParam<int> {};

TEST_P(HoverButtonMissingIconTest, SetIconsReportsAndKeepsNoImage) {
    HoverButton button(QStringLiteral("Setup"));
    ASSERT_EQ(button.SetIcons(widgets::kSetupIconId), HoverButton::kOk);
    EXPECT_EQ(button.SetIcons(GetParam()), HoverButton::kNoIcon);
    EXPECT_FALSE(button.hasImage());
    EXPECT_TRUE(button.imageSize().isEmpty());
    EXPECT_TRUE(widgets::resourceIcon(GetParam()).isNull());
}

INSTANTIATE_TEST_SUITE_P(UnknownIds, HoverButtonMissingIconTest,
                         testing::Values(0, 127, 134, -1, INT_MAX), numberName);

TEST(HoverButtonStateTest, LeavingTheFlatLookDropsTheHoverLook) {
    HoverButton button;
    button.SetFlatLook(false, true);
    EXPECT_FALSE(button.isFlatLook());
    EXPECT_FALSE(button.isHovering());
    button.SetFlatLook(true, false);
    EXPECT_TRUE(button.isFlatLook());
}

TEST(HoverButtonStateTest, AssistiveTechnologyReadsCaptionOrOwnersName) {
    HoverButton labelled(QStringLiteral("Scan"));
    QAccessibleInterface* named = QAccessible::queryAccessibleInterface(&labelled);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->text(QAccessible::Name), QStringLiteral("Scan"));
    EXPECT_EQ(named->role(), QAccessible::PushButton);

    HoverButton marker;
    marker.SetIcons(widgets::kMarkerIconId);
    marker.setAccessibleName(QStringLiteral("OUT03 from IN07"));
    QAccessibleInterface* iconOnly = QAccessible::queryAccessibleInterface(&marker);
    ASSERT_NE(iconOnly, nullptr);
    EXPECT_EQ(iconOnly->text(QAccessible::Name), QStringLiteral("OUT03 from IN07"));
}

TEST(HoverButtonStateTest, SizeHintMakesRoomForImageAndCaption) {
    HoverButton plain(QStringLiteral("Setup"));
    HoverButton withIcon(QStringLiteral("Setup"));
    withIcon.SetIcons(widgets::kSetupIconId);
    EXPECT_GE(withIcon.sizeHint().width(), plain.sizeHint().width());
    EXPECT_GE(withIcon.sizeHint().width(),
              32 + 2 * 3 + withIcon.fontMetrics().horizontalAdvance(QStringLiteral("Setup")));
    EXPECT_GE(withIcon.sizeHint().height(), 32);
}

} // namespace
