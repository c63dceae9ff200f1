#include "terminal_setup/ui/setup_datagrams.h"

#include "terminal_setup/protocol/gbk_text.h"

namespace terminal_setup {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t decimalPrefixValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps without undefined behaviour, whatever the number of digits.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10U + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0U - value;
    return static_cast<std::int32_t>(value);
}

std::optional<std::string> nameBytesToSend(const std::string& pageName,
                                           const std::string& initialName,
                                           const TerminalRecord& record) {
    if (pageName == initialName)
        return record.name();
    return encodeGbk(pageName, field::kNameSize);
}

std::optional<TerminalEdits> editsFromPages(const TerminalRecord& record,
                                            const std::string& initialName,
                                            const BasicSetValues& basic, const NetSetValues& net,
                                            const ComSetValues& com, const OtherSetValues& other) {
    const std::optional<std::string> name = nameBytesToSend(basic.deviceName, initialName, record);
    if (!name)
        return std::nullopt;
    TerminalEdits edits;
    edits.name = *name;
    edits.dnsServer = basic.dnsServer.bytes;

    edits.ipAddress = net.ipAddress.bytes;
    edits.subnetMask = net.subnetMask.bytes;
    edits.localPort = net.port;
    edits.workMode = net.workMode == kNoSelection ? record.workMode() : net.workMode;
    edits.dhcp = net.dhcpFlag != 0;

    edits.baudIndex = com.baudIndex == kNoSelection ? record.baudIndex() : com.baudIndex;

    edits.hostIp = other.hostIp.bytes;
    edits.gateway = other.gateway.bytes;
    edits.hostPort = decimalPrefixValue(other.hostPortText);
    return edits;
}

} // namespace terminal_setup
