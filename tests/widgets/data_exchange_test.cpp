#include "widgets/data_exchange.h"

#include "tests/support/prompt_recorder.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::Prompt;
using platform::PromptIcon;

// A dialog-like window with two edits; the check runs on the second while the first has the
// focus, as when the operator presses a button after typing.
class DataExchangeTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        other = new QLineEdit(window.get());
        other->setGeometry(10, 10, 100, 25);
        port = new QLineEdit(window.get());
        port->setGeometry(10, 40, 100, 25);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        other->setFocus();
    }

    void expectRejected(const std::string& text) {
        ASSERT_EQ(prompts.prompts.size(), 1u);
        EXPECT_EQ(prompts.prompts[0], Prompt::box("Quellin", text, PromptIcon::Exclamation));
        EXPECT_EQ(QApplication::focusWidget(), port);
        EXPECT_EQ(port->selectedText(), port->text());
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr;
    QLineEdit* port = nullptr;
    test_support::PromptRecorder prompts;
};

TEST_F(DataExchangeTest, NumberWithBlanksIsTakenSilently) {
    port->setText(QStringLiteral(" 8000 "));
    EXPECT_EQ(widgets::exchangeUnsigned(port, prompts, "Quellin"), 8000u);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(QApplication::focusWidget(), other);
}

TEST_F(DataExchangeTest, TextThatIsNotANumberPromptsAndSelectsTheEdit) {
    port->setText(QStringLiteral("80a"));
    EXPECT_EQ(widgets::exchangeUnsigned(port, prompts, "Quellin"), std::nullopt);
    expectRejected("“请填入一个正整数。”");
    EXPECT_EQ(port->text(), QStringLiteral("80a")) << "the operator's text stays to be mended";
}

TEST_F(DataExchangeTest, FocusMovesOnlyAfterThePromptIsClosed) {
    port->setText(QStringLiteral("-1"));
    QWidget* focusWhileOpen = nullptr;
    prompts.whileOpen = [&](const Prompt&) { focusWhileOpen = QApplication::focusWidget(); };
    EXPECT_EQ(widgets::exchangeUnsigned(port, prompts, "Quellin"), std::nullopt);
    EXPECT_EQ(focusWhileOpen, other);
    EXPECT_EQ(QApplication::focusWidget(), port);
}

TEST_F(DataExchangeTest, RangeCheckIncludesBothBounds) {
    for (const char* text : {"1", "8", " 5 "}) {
        port->setText(QString::fromLatin1(text));
        EXPECT_TRUE(widgets::exchangeUnsignedInRange(port, prompts, "Brisvane", 1, 8).has_value())
            << text;
    }
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(DataExchangeTest, NumberOutsideTheRangePromptsWithTheBounds) {
    port->setText(QStringLiteral("9"));
    prompts.prompts.clear();
    EXPECT_EQ(widgets::exchangeUnsignedInRange(port, prompts, "Quellin", 1, 8), std::nullopt);
    expectRejected("“请填入一个在1和8之间的整数。”");
}

TEST_F(DataExchangeTest, RangeCheckOfTextThatIsNotANumberGivesTheNumberPrompt) {
    port->setText(QStringLiteral("abc"));
    EXPECT_EQ(widgets::exchangeUnsignedInRange(port, prompts, "Quellin", 0, 65535), std::nullopt);
    expectRejected("“请填入一个正整数。”");
}

TEST_F(DataExchangeTest, RejectFieldShowsTheGivenText) {
    port->setText(QStringLiteral("abc"));
    widgets::rejectField(port, prompts, "Quellin", "“请填入一个在1和8之间的整数。”");
    expectRejected("“请填入一个在1和8之间的整数。”");
}

} // namespace
