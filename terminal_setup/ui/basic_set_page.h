#pragma once

#include "platform/prompt.h"
#include "terminal_setup/ui/setup_page_values.h"

#include <QWidget>

class QLineEdit;

namespace widgets {
class IpAddressEdit;
}

namespace terminal_setup {

// "Basic Set": the device name, the two version numbers (shown only) and the DNS server.
//
// Controls by objectName: nameEdit "Device name：", softwareVersionEdit "Software Version:",
// hardwareVersionEdit "Hardware Version:" (both read-only), dnsServerEdit in "DNS SERVER".
class BasicSetPage : public QWidget {
    Q_OBJECT

public:
    // Shows `start` in the controls. Name prompts go to `prompts`.
    BasicSetPage(const BasicSetValues& start, platform::PromptSink& prompts,
                 QWidget* parent = nullptr);

    // Reads the name and the DNS server back; the version boxes are never read. An edited name
    // that the terminal's code page (GBK) cannot hold is refused with a prompt ("Quellin" as
    // caption), the focus going to the name box with its text selected. Returns whether the
    // name was accepted.
    bool collect();
    const BasicSetValues& values() const { return m_values; }

    // The prompt for a name with a character GBK cannot hold.
    static constexpr const char* kNameNotGbkPrompt = "“请填入 GBK 字符集中的字符。”";

signals:
    // A value is about to be refused: the owner shows this page so that the prompt and the
    // selected text can be seen together.
    void refused();

private:
    void onNameEdited(const QString& text);
    void onDnsChanged();

    platform::PromptSink& m_prompts;
    const std::string m_startName;
    BasicSetValues m_values;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_softwareVersion = nullptr;
    QLineEdit* m_hardwareVersion = nullptr;
    widgets::IpAddressEdit* m_dnsServer = nullptr;
};

} // namespace terminal_setup
