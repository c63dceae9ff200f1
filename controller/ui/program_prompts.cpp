#include "controller/ui/program_prompts.h"

#include "controller/ui/prompt_dialog.h"

namespace controller {

void ProgramPrompts::setOwner(QWidget* owner) {
    m_owner = owner;
    m_boxes.setOwner(owner);
}

void ProgramPrompts::show(const platform::Prompt& prompt) {
    if (prompt.style == platform::PromptStyle::MessageBox) {
        m_boxes.show(prompt);
        return;
    }
    PromptDialog dialog(QString::fromStdString(prompt.text), m_owner);
    dialog.exec();
}

} // namespace controller
