#pragma once

#include "controller/ui/device_setup_host.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace widgets {
class IpAddressEdit;
}

namespace controller {

// Brisvane's "Network Setting" dialog: this computer's address and local port, the terminal's
// address and port, and a gateway and mask that are only stored. It changes nothing in the
// terminal itself. Created anew for every press of "Network Setting", loaded from the host's
// settings, run with exec(); "Set" writes the six values back and has the host save the network
// section of the settings file.
//
// Controls by objectName (template id in brackets):
//   hostIpEdit [1038] "Host IP:"          hostPortEdit [1017] "Port："
//   gatewayIpEdit [1041] "Gateway IP："
//   localIpEdit [1039] "Local IP："        destPortEdit [1040] "Port："
//   maskIpEdit [1043] "Mask："             aboutButton [1001] "About", always disabled
//   transportCombo "Transport：" "UDP" or "TCP" (a terminal in "TCP  Server" mode; the local
//                  port is not used then)
//   setButton [1042] "Set", the default button
//   cancelButton [1] "Cancel", which like Escape and the close box leaves without any check
class NetworkSettingDialog : public QDialog {
    Q_OBJECT

public:
    explicit NetworkSettingDialog(DeviceSetupHost& host, QWidget* parent = nullptr);

    // A UDP port: anything larger cannot be sent to or bound, so the edits refuse it.
    static constexpr unsigned kMaxPort = 65535;

private:
    void buildControls();
    void loadValues();
    void applyAndClose();

    struct Ports {
        unsigned host = 0;
        unsigned dest = 0;
    };
    // Both port edits in order; nullopt after the first failing one's prompt, with the focus on
    // that edit.
    std::optional<Ports> readPorts();

    DeviceSetupHost& m_host;

    widgets::IpAddressEdit* m_hostIp = nullptr;
    QLineEdit* m_hostPort = nullptr;
    widgets::IpAddressEdit* m_gatewayIp = nullptr;
    widgets::IpAddressEdit* m_localIp = nullptr;
    QLineEdit* m_destPort = nullptr;
    widgets::IpAddressEdit* m_maskIp = nullptr;
    QComboBox* m_transport = nullptr;
    QPushButton* m_about = nullptr;
    QPushButton* m_set = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace controller
