#include "terminal_setup/session/plan_fields.h"

#include "terminal_setup/protocol/gbk_text.h"
#include "terminal_setup/protocol/terminal_format.h"

#include <algorithm>
#include <cctype>

namespace terminal_setup {

namespace {

constexpr std::array<const char*, kPlanFields.size()> kNames = {
    "id",   "name", "ip",   "mask", "gateway", "dns",
    "port", "mode", "dhcp", "baud", "host_ip", "host_port"};

constexpr std::uint32_t kMaxPort = 65535;
constexpr std::uint32_t kMaxId = 255;

// The setup pages' prompts for a number they refuse.
const std::string kNotUnsigned = "“请填入一个正整数。”";
std::string outOfRange(std::uint32_t max) {
    return "“请填入一个在0和" + std::to_string(max) + "之间的整数。”";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Blanks at the ends dropped, runs of blanks as one, letters in lower case.
std::string squeezed(std::string_view text, bool foldCase) {
    std::string out;
    for (char c : trimmed(text)) {
        if (isBlank(c)) {
            if (out.empty() || out.back() != ' ')
                out += ' ';
        } else {
            out += foldCase ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : c;
        }
    }
    return out;
}

// Digits with blanks around them, as the pages' number boxes take them.
std::optional<std::uint32_t> unsignedNumber(std::string_view text, std::uint32_t max,
                                            std::string& why) {
    text = trimmed(text);
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            why = kNotUnsigned;
            return std::nullopt;
        }
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'), 1ULL << 40);
    }
    if (text.empty()) {
        why = kNotUnsigned;
        return std::nullopt;
    }
    if (value > max) {
        why = outOfRange(max);
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

bool isMask(const Ipv4Bytes& mask) {
    const std::uint32_t value = (std::uint32_t{mask[0]} << 24) | (std::uint32_t{mask[1]} << 16) |
                                (std::uint32_t{mask[2]} << 8) | mask[3];
    // Ones first, then zeros: the inverted value plus one is a power of two (or zero).
    const std::uint32_t zeros = ~value;
    return (zeros & (zeros + 1)) == 0;
}

template <std::size_t N>
std::optional<std::uint32_t> listPosition(const std::array<const char*, N>& captions,
                                          std::string_view cell) {
    const std::string wanted = squeezed(cell, true);
    for (std::size_t i = 0; i < N; ++i) {
        if (squeezed(captions[i], true) == wanted)
            return static_cast<std::uint32_t>(i);
    }
    return std::nullopt;
}

template <std::size_t N>
std::string listOf(const std::array<const char*, N>& captions) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i)
        text += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + "\"" + captions[i] + "\"";
    return text;
}

bool isAddressField(PlanField field) {
    return field == PlanField::Ip || field == PlanField::Mask || field == PlanField::Gateway ||
           field == PlanField::Dns || field == PlanField::HostIp;
}

std::optional<PlanValue> readName(std::string_view cell, std::string& why) {
    const std::optional<std::string> bytes = encodeGbk(cell, cell.size() * 2 + 2);
    if (!bytes) {
        why = "“请填入 GBK 字符集中的字符。”";
        return std::nullopt;
    }
    if (bytes->size() > field::kNameSize || bytes->find('\0') != std::string::npos) {
        why = "longer than the 6 bytes of a device name in GBK";
        return std::nullopt;
    }
    PlanValue value;
    value.field = PlanField::Name;
    value.nameBytes = *bytes;
    value.shown = decodeGbk(*bytes);
    return value;
}

std::optional<bool> truthOf(std::string_view cell) {
    const std::string word = squeezed(cell, true);
    for (const char* yes : {"true", "yes", "1", "use dhcp"}) {
        if (word == yes)
            return true;
    }
    for (const char* no : {"false", "no", "0", "specify ip"}) {
        if (word == no)
            return false;
    }
    return std::nullopt;
}

} // namespace

const char* planFieldName(PlanField field) {
    return kNames[static_cast<std::size_t>(field)];
}

std::optional<PlanField> planFieldNamed(std::string_view column) {
    const std::string name = squeezed(column, true);
    for (PlanField field : kPlanFields) {
        if (name == planFieldName(field))
            return field;
    }
    return std::nullopt;
}

std::optional<PlanValue> readPlanValue(PlanField field, std::string_view cell, std::string& why) {
    if (field == PlanField::Name)
        return readName(cell, why);
    PlanValue value;
    value.field = field;
    if (isAddressField(field)) {
        const std::optional<Ipv4Bytes> address = parseIpv4(cell);
        if (!address) {
            why = "not an IPv4 address";
            return std::nullopt;
        }
        if (field == PlanField::Mask && !isMask(*address)) {
            why = "not a subnet mask";
            return std::nullopt;
        }
        value.address = *address;
        value.shown = formatIpv4(*address);
        return value;
    }
    switch (field) {
    case PlanField::Id:
    case PlanField::Port:
    case PlanField::HostPort: {
        const auto number = unsignedNumber(cell, field == PlanField::Id ? kMaxId : kMaxPort, why);
        if (!number)
            return std::nullopt;
        value.number = *number;
        value.shown = std::to_string(*number);
        return value;
    }
    case PlanField::Mode: {
        std::optional<std::uint32_t> position = listPosition(kWorkModeCaptions, cell);
        const std::string digits(trimmed(cell));
        if (!position && digits.size() == 1 && digits[0] >= '0' &&
            digits[0] < static_cast<char>('0' + kWorkModeCaptions.size()))
            position = static_cast<std::uint32_t>(digits[0] - '0');
        if (!position) {
            why = "not a work mode: " + listOf(kWorkModeCaptions);
            return std::nullopt;
        }
        value.number = *position;
        value.shown = kWorkModeCaptions[*position];
        return value;
    }
    case PlanField::Baud: {
        const std::optional<std::uint32_t> position = listPosition(kBaudCaptions, cell);
        if (!position) {
            why = "not a baud rate of the list (110 to 115200)";
            return std::nullopt;
        }
        value.number = *position;
        value.shown = kBaudCaptions[*position];
        return value;
    }
    case PlanField::Dhcp: {
        const std::optional<bool> truth = truthOf(cell);
        if (!truth) {
            why = "neither true nor false";
            return std::nullopt;
        }
        value.truth = *truth;
        value.shown = *truth ? "true" : "false";
        return value;
    }
    default:
        break;
    }
    why = "cannot be written";
    return std::nullopt;
}

std::string shownValue(PlanField field, const TerminalRecord& record) {
    switch (field) {
    case PlanField::Id:
        return formatId(record.id());
    case PlanField::Name:
        return formatName(record);
    case PlanField::Ip:
        return formatIpv4(record.ipAddress());
    case PlanField::Mask:
        return formatIpv4(record.subnetMask());
    case PlanField::Gateway:
        return formatIpv4(record.gateway());
    case PlanField::Dns:
        return formatIpv4(record.dnsServer());
    case PlanField::Port:
        return formatPort(record.localPort());
    case PlanField::Mode:
        return formatWorkMode(record.workMode());
    case PlanField::Dhcp:
        return record.usesDhcp() ? "true" : "false";
    case PlanField::Baud:
        return formatBaud(record.baudIndex());
    case PlanField::HostIp:
        return formatIpv4(record.hostIp());
    case PlanField::HostPort:
        return formatPort(record.hostPort());
    }
    return {};
}

bool sameShownValue(std::string_view cell, std::string_view shown) {
    return squeezed(cell, false) == squeezed(shown, false);
}

void applyPlanValue(const PlanValue& value, TerminalEdits& edits) {
    switch (value.field) {
    case PlanField::Id:
        break;
    case PlanField::Name:
        edits.name = value.nameBytes;
        break;
    case PlanField::Ip:
        edits.ipAddress = value.address;
        break;
    case PlanField::Mask:
        edits.subnetMask = value.address;
        break;
    case PlanField::Gateway:
        edits.gateway = value.address;
        break;
    case PlanField::Dns:
        edits.dnsServer = value.address;
        break;
    case PlanField::Port:
        edits.localPort = value.number;
        break;
    case PlanField::Mode:
        edits.workMode = static_cast<int>(value.number);
        break;
    case PlanField::Dhcp:
        edits.dhcp = value.truth;
        break;
    case PlanField::Baud:
        edits.baudIndex = static_cast<int>(value.number);
        break;
    case PlanField::HostIp:
        edits.hostIp = value.address;
        break;
    case PlanField::HostPort:
        edits.hostPort = static_cast<std::int32_t>(value.number);
        break;
    }
}

std::optional<MacBytes> parsePlanMac(std::string_view text) {
    std::string digits;
    text = trimmed(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (text.substr(i).starts_with(kFullWidthHyphen)) {
            i += kFullWidthHyphen.size() - 1;
        } else if (c != ':' && c != '-' && c != '.' && c != ' ') {
            return std::nullopt;
        }
    }
    if (digits.size() != 12)
        return std::nullopt;
    MacBytes mac{};
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
    return mac;
}

} // namespace terminal_setup
