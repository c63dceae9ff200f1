#pragma once

#include "platform/prompt.h"
#include "widgets/message_box_prompts.h"

#include <QPointer>
#include <QWidget>

namespace controller {

// Brisvane's prompt sink: the program's own PromptDialog for its messages, a standard message
// box for the few that are boxes (the serial link's rejected settings, the dialogs' validation).
// Both are modal over the owner window, or ownerless while the window is being built.
class ProgramPrompts : public platform::PromptSink {
public:
    void setOwner(QWidget* owner);
    void show(const platform::Prompt& prompt) override;

private:
    QPointer<QWidget> m_owner;
    widgets::MessageBoxPrompts m_boxes;
};

} // namespace controller
