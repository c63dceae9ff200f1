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

std::optional<Ipv4Bytes> parseIpv4(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    Ipv4Bytes address{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < address.size(); ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
        unsigned value = 0;
        std::size_t digits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3; ++digits)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (digits == 0 || value > 255)
            return std::nullopt;
        address[part] = static_cast<std::uint8_t>(value);
    }
    if (at != text.size())
        return std::nullopt;
    return address;
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
