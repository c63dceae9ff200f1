#pragma once

#include "platform/prompt.h"

#include <QMessageBox>
#include <QPointer>

namespace widgets {

// Shows each prompt as a modal message box with its caption, text and icon, over the owner window
// (or with no owner), and returns when the operator has closed it. A prompt meant for a program's
// own prompt dialog is shown the same way, with its caption and no icon.
class MessageBoxPrompts : public platform::PromptSink {
public:
    explicit MessageBoxPrompts(QWidget* owner = nullptr) : m_owner(owner) {}

    void setOwner(QWidget* owner) { m_owner = owner; }
    void show(const platform::Prompt& prompt) override;

private:
    QPointer<QWidget> m_owner;
};

QMessageBox::Icon messageBoxIcon(platform::PromptIcon icon);

} // namespace widgets
