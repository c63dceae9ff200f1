#include "tests/support/prompt_recorder.h"

#include <algorithm>

namespace test_support {

void PromptRecorder::show(const platform::Prompt& prompt) {
    prompts.push_back(prompt);
    ++m_open;
    maxOpen = std::max(maxOpen, m_open);
    // A copy: the hook may replace or clear itself while it runs.
    if (auto hook = whileOpen)
        hook(prompt);
    --m_open;
}

std::vector<std::string> PromptRecorder::texts() const {
    std::vector<std::string> out;
    for (const auto& p : prompts)
        out.push_back(p.text);
    return out;
}

} // namespace test_support
