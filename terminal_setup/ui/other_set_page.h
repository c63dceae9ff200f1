#pragma once

#include "platform/prompt.h"
#include "terminal_setup/ui/setup_page_values.h"

#include <QWidget>

class QLineEdit;

namespace widgets {
class IpAddressEdit;
}

namespace terminal_setup {

// "Other Set": the tool's multicast group (shown only), the gateway, and the host (peer) that the
// terminal works with.
//
// Controls by objectName: multicastEdit "Multicast:" in "Multicast Set", gatewayEdit "Gateway:"
// in "Gateway Set", hostIpEdit "Host IP:" and hostPortEdit "Host Port:" (right-aligned) in
// "Host Set".
class OtherSetPage : public QWidget {
    Q_OBJECT

public:
    static constexpr unsigned kMaxPort = 65535;

    // Shows `start` in the controls. Host port prompts go to `prompts`.
    OtherSetPage(const OtherSetValues& start, platform::PromptSink& prompts,
                 QWidget* parent = nullptr);

    // Reads the gateway, the host IP and the host port text back. The multicast control is never
    // read: the group is the tool's, not something a terminal is told. A host port that is not
    // a number from 0 to 65535 is refused with the standard prompt ("Quellin" as caption), the
    // focus going to its box with the text selected. Returns whether the host port was
    // accepted.
    bool collect();
    const OtherSetValues& values() const { return m_values; }

signals:
    // A value is about to be refused: the owner shows this page first.
    void refused();

private:
    void onHostIpChanged();
    void onHostPortEdited(const QString& text);

    platform::PromptSink& m_prompts;
    OtherSetValues m_values;
    widgets::IpAddressEdit* m_multicast = nullptr;
    widgets::IpAddressEdit* m_gateway = nullptr;
    widgets::IpAddressEdit* m_hostIp = nullptr;
    QLineEdit* m_hostPort = nullptr;
};

} // namespace terminal_setup
