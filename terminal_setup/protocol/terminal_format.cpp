#include "terminal_setup/protocol/terminal_format.h"

#include "terminal_setup/protocol/gbk_text.h"

#include <cstdio>

namespace terminal_setup {

std::string formatId(std::uint8_t id) {
    return std::to_string(id);
}

std::string formatName(const TerminalRecord& record) {
    return decodeGbk(record.name());
}

std::string formatModel(const TerminalRecord& record) {
    return decodeGbk(record.model());
}

std::string formatIpv4(const Ipv4Bytes& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

std::string formatMac(const MacBytes& mac) {
    char group[3][5];
    for (std::size_t i = 0; i < 3; ++i)
        std::snprintf(group[i], sizeof group[i], "%02X%02X", mac[2 * i], mac[2 * i + 1]);
    std::string text = group[0];
    text += kFullWidthHyphen;
    text += group[1];
    text += kFullWidthHyphen;
    text += group[2];
    return text;
}

std::string formatVersion(std::uint8_t version) {
    return std::to_string(version >> 4) + "." + std::to_string(version & 0x0F);
}

std::string formatPort(std::uint16_t port) {
    return std::to_string(port);
}

namespace {

template <std::size_t N>
std::string captionAt(const std::array<const char*, N>& captions, std::uint8_t position) {
    if (position < N)
        return captions[position];
    return "unknown (" + std::to_string(position) + ")";
}

} // namespace

std::string formatWorkMode(std::uint8_t mode) {
    return captionAt(kWorkModeCaptions, mode);
}

std::string formatBaud(std::uint8_t baudIndex) {
    return captionAt(kBaudCaptions, baudIndex);
}

} // namespace terminal_setup
