#pragma once

#include "platform/prompt.h"

#include <optional>
#include <string>

class QLineEdit;

namespace widgets {

// Reading a dialog's edits back into its values, with the standard prompts when an edit does not
// hold what it must. Every prompt is a message box with the exclamation icon and the program's
// name as caption; after it is closed the edit gets the focus with its whole text selected, so the
// operator can type the value again at once.

// The edit's unsigned number (see parseUnsignedField); nullopt after "“请填入一个正整数。”".
std::optional<unsigned> exchangeUnsigned(QLineEdit* edit, platform::PromptSink& prompts,
                                         const std::string& programName);

// As exchangeUnsigned, then nullopt after "“请填入一个在%1和%2之间的整数。”" (with min and max)
// when the number lies outside min..max, both included.
std::optional<unsigned> exchangeUnsignedInRange(QLineEdit* edit, platform::PromptSink& prompts,
                                                const std::string& programName, unsigned min,
                                                unsigned max);

// Shows `text` the way the two functions above do and puts the focus on the edit, text selected.
// For dialogs whose own rules pick another prompt for an edit.
void rejectField(QLineEdit* edit, platform::PromptSink& prompts, const std::string& programName,
                 const std::string& text);

} // namespace widgets
