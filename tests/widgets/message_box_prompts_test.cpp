#include "widgets/message_box_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using platform::Prompt;
using platform::PromptIcon;

struct Seen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
    Qt::TextFormat format = Qt::AutoText;
};

// Shows `prompt` and closes the box from inside its event loop, reporting what was shown.
Seen showAndClose(widgets::MessageBoxPrompts& sink, const Prompt& prompt) {
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->isModal(), box->textFormat()};
        box->accept();
    });
    sink.show(prompt);
    return seen;
}

TEST(MessageBoxPromptsTest, ShowsCaptionTextAndIconModally) {
    widgets::MessageBoxPrompts sink;
    const Seen seen =
        showAndClose(sink, Prompt::box("Quellin", "“请填入一个正整数。”", PromptIcon::Exclamation));
    EXPECT_EQ(seen.caption, QStringLiteral("Quellin"));
    EXPECT_EQ(seen.text, QStringLiteral("“请填入一个正整数。”"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_TRUE(seen.modal);
}

TEST(MessageBoxPromptsTest, EachPromptIconHasItsBoxIcon) {
    EXPECT_EQ(widgets::messageBoxIcon(PromptIcon::None), QMessageBox::NoIcon);
    EXPECT_EQ(widgets::messageBoxIcon(PromptIcon::Information), QMessageBox::Information);
    EXPECT_EQ(widgets::messageBoxIcon(PromptIcon::Exclamation), QMessageBox::Warning);
    EXPECT_EQ(widgets::messageBoxIcon(PromptIcon::Stop), QMessageBox::Critical);
}

TEST(MessageBoxPromptsTest, TextIsShownAsWrittenNotAsMarkup) {
    QWidget owner;
    widgets::MessageBoxPrompts sink(&owner);
    const Seen seen =
        showAndClose(sink, Prompt::box("错误提示", "<b>COM1</b> & more", PromptIcon::Stop));
    EXPECT_EQ(seen.text, QStringLiteral("<b>COM1</b> & more"));
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.caption, QStringLiteral("错误提示"));
}

TEST(MessageBoxPromptsTest, PromptDialogMessageIsShownWithItsCaptionAndNoIcon) {
    widgets::MessageBoxPrompts sink;
    const Seen seen = showAndClose(sink, Prompt::dialog("Open serial port fail!"));
    EXPECT_EQ(seen.caption, QStringLiteral("Prompt"));
    EXPECT_EQ(seen.text, QStringLiteral("Open serial port fail!"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

} // namespace
