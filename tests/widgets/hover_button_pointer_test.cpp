#include "widgets/hover_button.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using widgets::HoverButton;

// A shown, active window with two hover buttons and an edit between them in the tab order, and
// room around them for the pointer.
class HoverButtonPointerTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(400, 120);
        first = new HoverButton(QStringLiteral("Scan"), window.get());
        first->setGeometry(20, 20, 100, 40);
        edit = new QLineEdit(window.get());
        edit->setGeometry(140, 20, 100, 30);
        second = new HoverButton(QStringLiteral("Test"), window.get());
        second->setGeometry(260, 20, 100, 40);
        show(window.get());
        QTest::mouseMove(window.get(), kOutside);
    }

    static void show(QWidget* w) {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    // What the platform sends when the pointer moves over `target` with `buttons` held.
    static void sendMove(QWidget* target, QPoint local, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                         buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    static void sendButton(QWidget* target, QEvent::Type type) {
        const QPoint local = target->rect().center();
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    static constexpr QPoint kOutside{5, 100};
    std::unique_ptr<QWidget> window;
    HoverButton* first = nullptr;
    QLineEdit* edit = nullptr;
    HoverButton* second = nullptr;
};

TEST_F(HoverButtonPointerTest, PointerOverButtonStartsHoverAndLeavingEndsIt) {
    QTest::mouseMove(first, QPoint(50, 20));
    EXPECT_TRUE(first->isHovering());
    EXPECT_FALSE(second->isHovering());

    QTest::mouseMove(second, QPoint(50, 20));
    EXPECT_FALSE(first->isHovering());
    EXPECT_TRUE(second->isHovering());

    QTest::mouseMove(window.get(), kOutside);
    EXPECT_FALSE(second->isHovering());
}

TEST_F(HoverButtonPointerTest, PressOutsideDraggedOntoButtonDoesNotHover) {
    QTest::mousePress(window.get(), Qt::LeftButton, {}, kOutside);
    sendMove(first, QPoint(50, 20), Qt::LeftButton);
    EXPECT_FALSE(first->isHovering());
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, kOutside);

    // Once the button is up, the next move over the button lights it up as usual.
    sendMove(first, QPoint(51, 20), Qt::NoButton);
    EXPECT_TRUE(first->isHovering());
}

TEST_F(HoverButtonPointerTest, DraggingOffWhilePressedEndsHover) {
    QTest::mouseMove(first, QPoint(50, 20));
    ASSERT_TRUE(first->isHovering());
    QTest::mousePress(first, Qt::LeftButton, {}, QPoint(50, 20));
    sendMove(first, QPoint(50, 25), Qt::LeftButton);
    EXPECT_TRUE(first->isHovering());
    sendMove(first, QPoint(150, 25), Qt::LeftButton); // right of the button, over the edit
    EXPECT_FALSE(first->isHovering());
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(150, 25));
}

TEST_F(HoverButtonPointerTest, RaisedButtonDoesNotTrackThePointer) {
    first->SetFlatLook(false, true);
    QTest::mouseMove(first, QPoint(50, 20));
    EXPECT_FALSE(first->isHovering());
}

TEST_F(HoverButtonPointerTest, LosingTheFocusEndsHover) {
    first->setFocus();
    QTest::mouseMove(first, QPoint(50, 20));
    ASSERT_TRUE(first->isHovering());
    edit->setFocus();
    EXPECT_FALSE(first->isHovering());
}

TEST_F(HoverButtonPointerTest, DeactivatingTheWindowEndsHover) {
    QTest::mouseMove(first, QPoint(50, 20));
    ASSERT_TRUE(first->isHovering());
    QWidget other;
    other.setGeometry(600, 0, 100, 100);
    show(&other);
    EXPECT_FALSE(first->isHovering());
}

TEST_F(HoverButtonPointerTest, DisablingEndsHover) {
    QTest::mouseMove(first, QPoint(50, 20));
    ASSERT_TRUE(first->isHovering());
    first->setEnabled(false);
    EXPECT_FALSE(first->isHovering());
}

TEST_F(HoverButtonPointerTest, HidingEndsHover) {
    QTest::mouseMove(first, QPoint(50, 20));
    ASSERT_TRUE(first->isHovering());
    first->hide();
    EXPECT_FALSE(first->isHovering());
}

// Both the order a double click arrives in from the window system of the original platform
// (press, release, double click, release) and Qt's own (with a second press before the double
// click) end in exactly two clicks.
TEST_F(HoverButtonPointerTest, DoubleClickCountsAsOneMoreClick) {
    const std::vector<std::vector<QEvent::Type>> sequences = {
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
         QEvent::MouseButtonRelease},
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease},
    };
    for (const auto& sequence : sequences) {
        QSignalSpy clicks(first, &QAbstractButton::clicked);
        for (QEvent::Type type : sequence)
            sendButton(first, type);
        EXPECT_EQ(clicks.count(), 2) << "sequence of " << sequence.size() << " events";
    }
}

TEST_F(HoverButtonPointerTest, ClickTakesTheFocus) {
    edit->setFocus();
    first->click();
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(HoverButtonPointerTest, DisablingFocusedButtonMovesFocusToNextTabStop) {
    first->setFocus();
    first->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), edit);
}

TEST_F(HoverButtonPointerTest, DisablingUnfocusedButtonStillMovesFocusToNextTabStop) {
    second->setFocus();
    first->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), edit);
}

TEST_F(HoverButtonPointerTest, DisablingSkipsControlsThatCannotTakeTheFocus) {
    edit->setEnabled(false);
    first->setFocus();
    first->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), second);

    edit->setEnabled(true);
    edit->hide();
    first->setEnabled(true);
    first->setFocus();
    first->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), second);
}

TEST_F(HoverButtonPointerTest, DisablingLastTabStopWrapsToFirstOfTheParent) {
    second->setFocus();
    second->setEnabled(false);
    EXPECT_EQ(QApplication::focusWidget(), first);
}

TEST_F(HoverButtonPointerTest, DisablingOnlyTabStopOfParentFocusesTheParent) {
    auto* group = new QWidget(window.get());
    group->setGeometry(20, 70, 200, 45);
    auto* lone = new HoverButton(QStringLiteral("Exit"), group);
    lone->setGeometry(0, 0, 100, 40);
    group->show();
    lone->setFocus();
    lone->setEnabled(false);
    // The parent takes it, not a control of the window outside the parent.
    EXPECT_EQ(QApplication::focusWidget(), group);
}

TEST(HoverButtonDialogTest, EnterGoesToTheDialogsDefaultButton) {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    edit->setGeometry(10, 10, 100, 25);
    auto* setup = new HoverButton(QStringLiteral("Setup"), &dialog);
    setup->setGeometry(10, 50, 80, 30);
    auto* exit = new HoverButton(QStringLiteral("Exit"), &dialog);
    exit->setGeometry(100, 50, 80, 30);
    exit->setDefault(true);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy setupClicks(setup, &QAbstractButton::clicked);
    QSignalSpy exitClicks(exit, &QAbstractButton::clicked);

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(exitClicks.count(), 1);
    EXPECT_EQ(setupClicks.count(), 0);

    // A push button that has the focus acts as the default while it has it, as in any dialog;
    // once the focus is elsewhere again, Enter goes back to the dialog's own default.
    setup->setFocus();
    QTest::keyClick(setup, Qt::Key_Return);
    EXPECT_EQ(setupClicks.count(), 1);
    EXPECT_EQ(exitClicks.count(), 1);

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(exitClicks.count(), 2);
    EXPECT_EQ(setupClicks.count(), 1);
    EXPECT_TRUE(exit->isDefault());
}

} // namespace
