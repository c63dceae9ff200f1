#pragma once

#include "platform/prompt.h"
#include "terminal_setup/ui/setup_page_values.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace widgets {
class IpAddressEdit;
}

namespace terminal_setup {

// "Net Set": work mode, disconnect time, fixed or DHCP addressing, IP address, mask and port.
//
// Controls by objectName: in "Net setting" workModeCombo "Work mode" and disconnectCombo
// ("Connection:" … "Disconnect"); in "TCP/IP" specifyIpRadio "Specify IP", useDhcpRadio
// "Use DHCP ", ipAddressEdit "IP :", maskEdit "Mask:", portEdit "Port：". The radio buttons
// enable or disable nothing: every control stays editable in both modes.
class NetSetPage : public QWidget {
    Q_OBJECT

public:
    static constexpr unsigned kMaxPort = 65535;

    // Shows `start` in the controls. The disconnect time is taken in minutes (0, 5, 10, 30);
    // any other value leaves its list without a selection. Port prompts go to `prompts`.
    NetSetPage(const NetSetValues& start, platform::PromptSink& prompts, QWidget* parent = nullptr);

    // Reads every control back. A port that is not a number from 0 to 65535 is refused with the
    // standard prompt ("Quellin" as caption), the focus goes to the port box with its text
    // selected, and the port keeps its previous value; the rest is read all the same. Returns
    // whether the port was accepted; when it was not, the owner sends nothing.
    bool collect();
    const NetSetValues& values() const { return m_values; }

signals:
    // The port is about to be refused: the owner shows this page so that the prompt and the
    // selected text can be seen together.
    void refused();

private:
    bool readPort();
    void onIpChanged();
    void onMaskChanged();
    void onWorkModeChosen(int position);
    void onSpecifyIpClicked();

    platform::PromptSink& m_prompts;
    NetSetValues m_values;
    QComboBox* m_workMode = nullptr;
    QComboBox* m_disconnect = nullptr;
    QRadioButton* m_specifyIp = nullptr;
    QRadioButton* m_useDhcp = nullptr;
    widgets::IpAddressEdit* m_ipAddress = nullptr;
    widgets::IpAddressEdit* m_mask = nullptr;
    QLineEdit* m_port = nullptr;
};

} // namespace terminal_setup
