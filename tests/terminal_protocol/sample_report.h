#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace terminal_test {

using terminal_setup::TerminalDatagram;

// A terminal report as a terminal sends it, field by field.
inline constexpr TerminalDatagram kSampleReport = {
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
    0x41, 0x42, 0x43, 0x44, 0x45, 0x46,       // name "ABCDEF", no zero byte
    0x54, 0x31, 0x30,                         // model "T10"
    0x00,                                     // fixed address
    0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, // opaque
    0x21,                                     // software version 2.1
    0x0A,                                     // hardware version 0.10
    0x08, 0x08, 0x04, 0x04,                   // DNS 8.8.4.4
};

// The sample with some bytes replaced, starting at `offset`; a braced list or any byte range.
template <typename Bytes = std::initializer_list<std::uint8_t>>
TerminalDatagram patched(TerminalDatagram bytes, std::size_t offset, const Bytes& replacement) {
    for (std::uint8_t byte : replacement)
        bytes.at(offset++) = byte;
    return bytes;
}

// A test-case name made of the letters and digits of `what` ("59 bytes" gives "59_bytes").
std::string caseName(const char* what);

// The sample (or a variant) accepted as a record; the test fails when it is not accepted.
terminal_setup::TerminalRecord recordOf(const TerminalDatagram& bytes);

} // namespace terminal_test
