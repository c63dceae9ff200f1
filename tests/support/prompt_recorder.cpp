#include "tests/support/prompt_recorder.h"

namespace test_support {

void PromptRecorder::show(const platform::Prompt& prompt) {
    prompts.push_back(prompt);
    if (whileOpen)
        whileOpen(prompt);
}

std::vector<std::string> PromptRecorder::texts() const {
    std::vector<std::string> out;
    for (const auto& p : prompts)
        out.push_back(p.text);
    return out;
}

} // namespace test_support
