#pragma once

#include <string>
#include <utility>

namespace platform {

// The icon a message box carries. The program's own prompt dialog has none.
enum class PromptIcon { None, Information, Exclamation, Stop };

// How a message reaches the operator: the program's own modal prompt dialog
// (caption "Prompt", one text, "OK"), or a standard message box.
enum class PromptStyle { PromptDialog, MessageBox };

struct Prompt {
    PromptStyle style = PromptStyle::PromptDialog;
    std::string caption; // UTF-8; the prompt dialog's own caption when style is PromptDialog
    std::string text;    // UTF-8, exactly as the operator reads it
    PromptIcon icon = PromptIcon::None;

    static Prompt dialog(std::string text) {
        return {PromptStyle::PromptDialog, "Prompt", std::move(text), PromptIcon::None};
    }
    static Prompt box(std::string caption, std::string text, PromptIcon icon) {
        return {PromptStyle::MessageBox, std::move(caption), std::move(text), icon};
    }
    bool operator==(const Prompt&) const = default;
};

// The seam through which every message is shown. The programs show a modal window and return
// when the operator has closed it; tests put a recorder in its place.
class PromptSink {
public:
    virtual ~PromptSink() = default;
    virtual void show(const Prompt& prompt) = 0;
};

} // namespace platform
