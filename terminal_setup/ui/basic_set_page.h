#pragma once

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
    // Shows `start` in the controls.
    explicit BasicSetPage(const BasicSetValues& start, QWidget* parent = nullptr);

    // Reads the name and the DNS server back; the version boxes are never read.
    void collect();
    const BasicSetValues& values() const { return m_values; }

private:
    void onNameEdited(const QString& text);
    void onDnsChanged();

    BasicSetValues m_values;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_softwareVersion = nullptr;
    QLineEdit* m_hardwareVersion = nullptr;
    widgets::IpAddressEdit* m_dnsServer = nullptr;
};

} // namespace terminal_setup
