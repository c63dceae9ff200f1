#include "terminal_setup/protocol/terminal_format.h"

#include <cstdio>

namespace terminal_setup {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence that starts at bytes[0], or 0 when there is none
// (overlong forms, surrogates and values beyond U+10FFFF are not well formed).
std::size_t validSequenceLength(std::string_view bytes) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    if (b0 < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        if (b0 == 0xED)
            high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b1 < low || b1 > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(bytes[i])))
            return 0;
    }
    return length;
}

void appendLatin1(std::string& out, unsigned char byte) {
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
}

} // namespace

std::string decodeText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    while (!bytes.empty()) {
        const std::size_t length = validSequenceLength(bytes);
        if (length == 0) {
            appendLatin1(out, static_cast<unsigned char>(bytes[0]));
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

std::string formatId(std::uint8_t id) {
    return std::to_string(id);
}

std::string formatName(const TerminalRecord& record) {
    return decodeText(record.name());
}

std::string formatModel(const TerminalRecord& record) {
    return decodeText(record.model());
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

} // namespace terminal_setup
