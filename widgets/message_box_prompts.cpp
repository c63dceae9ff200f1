#include "widgets/message_box_prompts.h"

namespace widgets {

QMessageBox::Icon messageBoxIcon(platform::PromptIcon icon) {
    switch (icon) {
    case platform::PromptIcon::Information:
        return QMessageBox::Information;
    case platform::PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case platform::PromptIcon::Stop:
        return QMessageBox::Critical;
    case platform::PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

void MessageBoxPrompts::show(const platform::Prompt& prompt) {
    QMessageBox box(messageBoxIcon(prompt.icon), QString::fromStdString(prompt.caption),
                    QString::fromStdString(prompt.text), QMessageBox::Ok, m_owner.data());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace widgets
