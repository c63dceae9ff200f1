#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/ui/setup_dialog_inputs.h"
#include "tests/terminal_protocol/sample_report.h"

class QLineEdit;
class QString;

namespace widgets {
class IpAddressEdit;
}

namespace setup_test {

using terminal_setup::TerminalDatagram;

// A terminal report as the setup dialog meets it.
inline constexpr TerminalDatagram kReport = {
    0xEF, 0xFE, 0x07, 0x10,                   // magic, header byte 7, type 16
    0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,       // MAC
    0xC0, 0x00, 0x02, 0x14,                   // IP 192.0.2.20
    0xE0, 0x00, 0x00, 0x29,                   // multicast 224.0.0.41
    0xC0, 0x00, 0x02, 0x64,                   // host IP 192.0.2.100
    0xC0, 0x00, 0x02, 0x01,                   // gateway 192.0.2.1
    0xFF, 0xFF, 0xFF, 0x00,                   // mask 255.255.255.0
    0xA2, 0x22,                               // local port 8866
    0xA3, 0x22,                               // host port 8867
    0x01,                                     // work mode "TCP  Client"
    0x06,                                     // baud index 9600
    0x05,                                     // ID 5
    0x41, 0x42, 0x00, 0x58, 0x59, 0x5A,       // name "AB", then zero, then X Y Z
    0x54, 0x31, 0x30,                         // model "T10"
    0x00,                                     // fixed address
    0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, // opaque
    0x1A,                                     // software version 1.10
    0x21,                                     // hardware version 2.1
    0x08, 0x08, 0x04, 0x04,                   // DNS 8.8.4.4
};

using terminal_test::patched;

// The bytes accepted as a record; the test fails when they are not accepted.
terminal_setup::TerminalRecord recordOf(const TerminalDatagram& bytes);

// What the list window hands over for kReport as row 0 of a one-terminal list, written out.
terminal_setup::SetupDialogInputs reportInputs();

// Types into an edit the way the operator would: everything selected, then the keys.
void retype(QLineEdit* edit, const QString& text);
// Types a dotted address field by field.
void retypeAddress(widgets::IpAddressEdit* edit, const QString& dotted);

} // namespace setup_test
