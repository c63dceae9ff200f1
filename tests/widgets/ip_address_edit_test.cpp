#include "widgets/ip_address_edit.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using widgets::IpAddressEdit;
using widgets::Ipv4Bytes;

class IpAddressEditTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        edit = new IpAddressEdit(window.get());
        edit->move(10, 10);
        window->resize(300, 80);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Types each character into whichever field has the focus at that moment.
    static void type(const QString& keys) {
        for (const QChar c : keys)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }

    QStringList fieldTexts() const {
        QStringList texts;
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i)
            texts << edit->field(i)->text();
        return texts;
    }

    std::unique_ptr<QWidget> window;
    IpAddressEdit* edit = nullptr;
};

TEST_F(IpAddressEditTest, BlankControlReadsAsZeros) {
    EXPECT_TRUE(edit->isBlank());
    EXPECT_EQ(edit->text(), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(edit->bytes(), (Ipv4Bytes{0, 0, 0, 0}));
}

TEST_F(IpAddressEditTest, BlankFieldsReadAsZeroBesideFilledOnes) {
    edit->field(0)->setText(QStringLiteral("192"));
    edit->field(2)->setText(QStringLiteral("7"));
    EXPECT_FALSE(edit->isBlank());
    EXPECT_EQ(edit->text(), QStringLiteral("192.0.7.0"));
    EXPECT_EQ(edit->bytes(), (Ipv4Bytes{192, 0, 7, 0}));
}

TEST_F(IpAddressEditTest, SetTextShowsFirstNumberInFirstField) {
    edit->setText(QStringLiteral("192.168.1.200"));
    EXPECT_EQ(fieldTexts(), (QStringList{"192", "168", "1", "200"}));
    EXPECT_EQ(edit->text(), QStringLiteral("192.168.1.200"));
    EXPECT_EQ(edit->bytes(), (Ipv4Bytes{192, 168, 1, 200}));
}

TEST_F(IpAddressEditTest, TextThatIsNotAnAddressShowsAllOnes) {
    for (const char* bad : {"abc", "1.2.3", "300.1.1.1", "1.2.3.4.5"}) {
        edit->clear();
        edit->setText(QString::fromLatin1(bad));
        EXPECT_EQ(edit->text(), QStringLiteral("255.255.255.255")) << "text \"" << bad << "\"";
    }
}

TEST_F(IpAddressEditTest, EmptyTextLeavesTheControlBlankNotAllOnes) {
    for (const char* empty : {"", "   "}) {
        edit->setText(QStringLiteral("10.0.0.1"));
        edit->setText(QString::fromLatin1(empty));
        EXPECT_TRUE(edit->isBlank()) << "text \"" << empty << "\"";
        EXPECT_EQ(edit->text(), QStringLiteral("0.0.0.0"));
    }
}

TEST_F(IpAddressEditTest, ClearEmptiesEveryField) {
    edit->setText(QStringLiteral("10.0.0.1"));
    edit->clear();
    EXPECT_TRUE(edit->isBlank());
}

TEST_F(IpAddressEditTest, ValueAboveTwoFiftyFiveCannotBeTyped) {
    QLineEdit* first = edit->field(0);
    first->setFocus();
    QTest::keyClicks(first, QStringLiteral("25"));
    QTest::keyClick(first, Qt::Key_6);
    EXPECT_EQ(first->text(), QStringLiteral("25"));
    QTest::keyClick(first, Qt::Key_5);
    EXPECT_EQ(first->text(), QStringLiteral("255"));

    QLineEdit* second = edit->field(1);
    second->setFocus();
    QTest::keyClicks(second, QStringLiteral("9x-"));
    QTest::keyClicks(second, QStringLiteral("99"));
    EXPECT_EQ(second->text(), QStringLiteral("99"));
    QTest::keyClick(second, Qt::Key_9);
    EXPECT_EQ(second->text(), QStringLiteral("99")) << "999 is above 255";
}

TEST_F(IpAddressEditTest, TypingAnAddressMovesThroughTheFields) {
    edit->field(0)->setFocus();
    // Three digits move on by themselves, so the dot after them must not skip a field.
    type(QStringLiteral("192.168.1.20"));
    EXPECT_EQ(edit->text(), QStringLiteral("192.168.1.20"));
    EXPECT_EQ(QApplication::focusWidget(), edit->field(3));
}

TEST_F(IpAddressEditTest, DotInAnEmptyFieldStaysPut) {
    edit->field(0)->setFocus();
    QTest::keyClick(edit->field(0), Qt::Key_Period);
    EXPECT_EQ(QApplication::focusWidget(), edit->field(0));
    type(QStringLiteral("10."));
    EXPECT_EQ(QApplication::focusWidget(), edit->field(1));
    EXPECT_EQ(edit->field(0)->text(), QStringLiteral("10"));
}

TEST_F(IpAddressEditTest, BackspaceAndArrowsCrossFieldBoundaries) {
    edit->setText(QStringLiteral("1.2.3.4"));
    edit->field(1)->setFocus();
    edit->field(1)->setCursorPosition(0);
    QTest::keyClick(edit->field(1), Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), edit->field(0));
    EXPECT_EQ(edit->field(0)->cursorPosition(), 1);
    QTest::keyClick(edit->field(0), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), edit->field(1));
    EXPECT_EQ(edit->field(1)->cursorPosition(), 0);
    QTest::keyClick(edit->field(1), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), edit->field(0));
    EXPECT_EQ(edit->text(), QStringLiteral("1.2.3.4"));
}

TEST_F(IpAddressEditTest, FieldChangedComesFromTheOperatorOnly) {
    QSignalSpy changes(edit, &IpAddressEdit::fieldChanged);
    edit->setText(QStringLiteral("10.0.0.1"));
    edit->setAddress({1, 2, 3, 4});
    edit->clear();
    EXPECT_EQ(changes.count(), 0);

    edit->field(2)->setFocus();
    QTest::keyClicks(edit->field(2), QStringLiteral("42"));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(1).at(0).toInt(), 2);
    EXPECT_EQ(changes.at(1).at(1).toInt(), 42);

    QTest::keyClick(edit->field(2), Qt::Key_Backspace);
    QTest::keyClick(edit->field(2), Qt::Key_Backspace);
    ASSERT_EQ(changes.count(), 4);
    EXPECT_EQ(changes.at(3).at(1).toInt(), -1) << "a field typed empty reports -1";
}

TEST_F(IpAddressEditTest, ReadOnlyAndDisabledRefuseTyping) {
    edit->setText(QStringLiteral("224.0.0.41"));
    edit->setReadOnly(true);
    EXPECT_TRUE(edit->isReadOnly());
    edit->field(3)->setFocus();
    QTest::keyClicks(edit->field(3), QStringLiteral("9"));
    EXPECT_EQ(edit->text(), QStringLiteral("224.0.0.41"));

    edit->setReadOnly(false);
    edit->setEnabled(false);
    for (int i = 0; i < IpAddressEdit::kFieldCount; ++i)
        EXPECT_FALSE(edit->field(i)->isEnabled());
}

TEST_F(IpAddressEditTest, WholeControlIsOneTabStop) {
    auto* before = new QLineEdit(window.get());
    auto* after = new QLineEdit(window.get());
    QWidget::setTabOrder(before, edit);
    QWidget::setTabOrder(edit, after);
    before->show();
    after->show();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), edit->field(0));
    QTest::keyClick(edit->field(0), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);

    // A label's buddy or the owner giving the whole control the focus lands in the first field.
    edit->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), edit->field(0));
}

TEST_F(IpAddressEditTest, AssistiveTechnologyNamesTheWholeAndEachField) {
    edit->setAccessibleName(QStringLiteral("Host IP:"));
    QAccessibleInterface* whole = QAccessible::queryAccessibleInterface(edit);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->text(QAccessible::Name), QStringLiteral("Host IP:"));
    for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(edit->field(i));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(QAccessible::Name), QStringLiteral("Field %1 of 4").arg(i + 1));
    }
}

} // namespace
