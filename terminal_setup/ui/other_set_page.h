#pragma once

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
    explicit OtherSetPage(const OtherSetValues& start, QWidget* parent = nullptr);

    // Reads the gateway, the host IP and the host port text back. The multicast control is never
    // read: the group is the tool's, not something a terminal is told.
    void collect();
    const OtherSetValues& values() const { return m_values; }

private:
    void onHostIpChanged();
    void onHostPortEdited(const QString& text);

    OtherSetValues m_values;
    widgets::IpAddressEdit* m_multicast = nullptr;
    widgets::IpAddressEdit* m_gateway = nullptr;
    widgets::IpAddressEdit* m_hostIp = nullptr;
    QLineEdit* m_hostPort = nullptr;
};

} // namespace terminal_setup
