#pragma once

#include "platform/prompt.h"

#include <functional>
#include <string>
#include <vector>

namespace test_support {

// Records every prompt instead of showing it. An optional hook runs while the "prompt is open",
// so a test can act as the operator would while a modal window blocks the caller.
class PromptRecorder : public platform::PromptSink {
public:
    void show(const platform::Prompt& prompt) override;

    std::vector<platform::Prompt> prompts;
    std::function<void(const platform::Prompt&)> whileOpen;
    // The most prompts that were open at once (one inside another's hook).
    int maxOpen = 0;

    std::vector<std::string> texts() const;
    void clear() { prompts.clear(); }

private:
    int m_open = 0;
};

} // namespace test_support
