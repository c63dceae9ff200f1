#include "widgets/data_exchange.h"

#include "widgets/unsigned_field.h"

#include <QLineEdit>

namespace widgets {

std::optional<unsigned> exchangeUnsigned(QLineEdit* edit, platform::PromptSink& prompts,
                                         const std::string& programName) {
    const std::optional<unsigned> value = parseUnsignedField(edit->text().toStdString());
    if (!value)
        rejectField(edit, prompts, programName, notUnsignedPrompt());
    return value;
}

std::optional<unsigned> exchangeUnsignedInRange(QLineEdit* edit, platform::PromptSink& prompts,
                                                const std::string& programName, unsigned min,
                                                unsigned max) {
    const std::optional<unsigned> value = exchangeUnsigned(edit, prompts, programName);
    if (!value)
        return std::nullopt;
    if (!isInRange(*value, min, max)) {
        rejectField(edit, prompts, programName, outOfRangePrompt(min, max));
        return std::nullopt;
    }
    return value;
}

void rejectField(QLineEdit* edit, platform::PromptSink& prompts, const std::string& programName,
                 const std::string& text) {
    prompts.show(platform::Prompt::box(programName, text, platform::PromptIcon::Exclamation));
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

} // namespace widgets
