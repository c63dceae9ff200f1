// Treats the input as one datagram arriving on the discovery port (0 to 300 bytes): checks the
// acceptance rule, every text shown for an accepted record, the writes and resets built from it,
// and the table it is stored in. Bytes after the first 60, which acceptance ignores, supply the
// operator's edits of a configuration write, the new ID of a reset and how often the report is
// stored.
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "terminal_setup/protocol/gbk_text.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/protocol/terminal_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace terminal_setup;

constexpr std::size_t kMaxDatagram = 300;

// RFC 3629: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t value = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            value = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            value = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            value = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// The field's bytes up to its first zero byte.
std::string textField(const std::uint8_t* bytes, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return text;
}

// Characters of valid UTF-8 text.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void checkShownText(const std::string& shown, const std::string& raw) {
    FUZZ_CHECK(isValidUtf8(shown));
    // Every byte shows as something: a GBK character stands for two bytes, anything else for one.
    const std::size_t characters = characterCount(shown);
    FUZZ_CHECK(characters <= raw.size() && 2 * characters >= raw.size());
    if (std::all_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) == 0; }))
        FUZZ_CHECK(shown == raw);
    // Text shown without a stand-in for an unknown byte goes back to the very same bytes.
    if (shown.find("\xEF\xBF\xBD") == std::string::npos)
        FUZZ_CHECK(encodeGbk(shown, raw.size()) == raw);
}

std::string hexByte(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 15]};
}

void checkFormats(const TerminalRecord& record, const std::uint8_t* d) {
    FUZZ_CHECK(formatId(record.id()) == std::to_string(d[36]));
    FUZZ_CHECK(record.name() == textField(d + 37, 6));
    FUZZ_CHECK(record.model() == textField(d + 43, 3));
    checkShownText(formatName(record), record.name());
    checkShownText(formatModel(record), record.model());

    const std::string hyphen = "\xEF\xBC\x8D";
    FUZZ_CHECK(formatMac(record.mac()) == hexByte(d[4]) + hexByte(d[5]) + hyphen + hexByte(d[6]) +
                                              hexByte(d[7]) + hyphen + hexByte(d[8]) +
                                              hexByte(d[9]));

    for (const std::size_t at : {10u, 14u, 18u, 22u, 26u, 56u}) {
        const Ipv4Bytes address{d[at], d[at + 1], d[at + 2], d[at + 3]};
        FUZZ_CHECK(formatIpv4(address) == std::to_string(d[at]) + "." + std::to_string(d[at + 1]) +
                                              "." + std::to_string(d[at + 2]) + "." +
                                              std::to_string(d[at + 3]));
    }
    FUZZ_CHECK(record.ipAddress() == (Ipv4Bytes{d[10], d[11], d[12], d[13]}));
    FUZZ_CHECK(record.dnsServer() == (Ipv4Bytes{d[56], d[57], d[58], d[59]}));

    for (const std::size_t at : {54u, 55u}) {
        const std::uint8_t version = d[at];
        FUZZ_CHECK(formatVersion(version) ==
                   std::to_string(version >> 4) + "." + std::to_string(version & 15));
    }
    FUZZ_CHECK(formatVersion(record.softwareVersion()) == formatVersion(d[54]));
    FUZZ_CHECK(formatVersion(record.hardwareVersion()) == formatVersion(d[55]));

    FUZZ_CHECK(formatPort(record.localPort()) == std::to_string(d[30] | (d[31] << 8)));
    FUZZ_CHECK(formatPort(record.hostPort()) == std::to_string(d[32] | (d[33] << 8)));
}

Ipv4Bytes takeIpv4(fuzz::FuzzInput& input) {
    return {input.takeByte(), input.takeByte(), input.takeByte(), input.takeByte()};
}

std::uint32_t takeWord(fuzz::FuzzInput& input) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i)
        word = (word << 8) | input.takeByte();
    return word;
}

TerminalEdits takeEdits(fuzz::FuzzInput& input) {
    TerminalEdits edits;
    edits.ipAddress = takeIpv4(input);
    edits.subnetMask = takeIpv4(input);
    edits.localPort = takeWord(input);
    edits.workMode = static_cast<std::int8_t>(input.takeByte());
    edits.dhcp = (input.takeByte() & 1) != 0;
    edits.baudIndex = static_cast<std::int8_t>(input.takeByte());
    edits.hostIp = takeIpv4(input);
    edits.gateway = takeIpv4(input);
    edits.hostPort = static_cast<std::int32_t>(takeWord(input));
    const auto name = input.takeBytes(input.takeByte() % 12);
    edits.name.assign(name.begin(), name.end());
    edits.dnsServer = takeIpv4(input);
    return edits;
}

// Bytes a write or reset carries back exactly as the terminal reported them.
void checkCarried(const TerminalDatagram& out, const std::uint8_t* d) {
    for (std::size_t i = 0; i < 60; ++i) {
        const bool carried = i <= 2 || (i >= 4 && i <= 8) || (i >= 14 && i <= 17) ||
                             (i >= 43 && i <= 45) || (i >= 47 && i <= 55);
        if (carried)
            FUZZ_CHECK(out[i] == d[i]);
    }
}

void checkWrites(const TerminalRecord& record, const std::uint8_t* d, fuzz::FuzzInput& extra) {
    // Nothing edited: the record goes back as it came, only retyped, the address mode as 0 or 1.
    const TerminalDatagram unchanged = configurationWrite(record, editsFromRecord(record));
    for (std::size_t i = 0; i < 60; ++i) {
        if (i == 3)
            FUZZ_CHECK(unchanged[i] == 2);
        else if (i == 46)
            FUZZ_CHECK(unchanged[i] == (d[46] != 0 ? 1 : 0));
        else
            FUZZ_CHECK(unchanged[i] == d[i]);
    }

    const TerminalEdits edits = takeEdits(extra);
    const TerminalDatagram written = configurationWrite(record, edits);
    checkCarried(written, d);
    FUZZ_CHECK(written[3] == 2);
    FUZZ_CHECK(written[9] == d[9] && written[36] == d[36]);
    FUZZ_CHECK(written[46] == (edits.dhcp ? 1 : 0));
    FUZZ_CHECK(written[34] == static_cast<std::uint8_t>(edits.workMode));
    FUZZ_CHECK(written[35] == static_cast<std::uint8_t>(edits.baudIndex));
    FUZZ_CHECK(written[30] == (edits.localPort & 0xFF) &&
               written[31] == ((edits.localPort >> 8) & 0xFF));
    const auto hostPort = static_cast<std::uint32_t>(edits.hostPort);
    FUZZ_CHECK(written[32] == (hostPort & 0xFF) && written[33] == ((hostPort >> 8) & 0xFF));
    // The name: its bytes before any zero, at most 6, then one zero when shorter; the rest of the
    // field as reported.
    const std::string name = edits.name.substr(0, edits.name.find('\0'));
    const std::size_t length = name.size() < 6 ? name.size() : 6;
    for (std::size_t i = 0; i < 6; ++i) {
        if (i < length)
            FUZZ_CHECK(written[37 + i] == static_cast<std::uint8_t>(name[i]));
        else if (i == length)
            FUZZ_CHECK(written[37 + i] == 0);
        else
            FUZZ_CHECK(written[37 + i] == d[37 + i]);
    }

    const std::uint8_t newId = extra.takeByte();
    const TerminalDatagram reset = resetDatagram(record, newId);
    for (std::size_t i = 0; i < 60; ++i) {
        if (i == 3)
            FUZZ_CHECK(reset[i] == 3);
        else if (i == 9 || i == 36)
            FUZZ_CHECK(reset[i] == newId);
        else
            FUZZ_CHECK(reset[i] == d[i]);
    }
}

void checkTable(const TerminalRecord& record, fuzz::FuzzInput& extra) {
    TerminalTable table;
    const std::size_t offered = std::size_t{extra.takeByte()} * 2;
    for (std::size_t i = 0; i < offered; ++i) {
        FUZZ_CHECK(table.append(record) == (i < TerminalTable::kCapacity));
        FUZZ_CHECK(table.size() <= TerminalTable::kCapacity);
    }
    if (!table.empty())
        FUZZ_CHECK(table.at(table.size() - 1) == record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxDatagram)
        return 0;
    const auto record = acceptReport({data, size});
    const bool isReport = size >= 60 && data[0] == 0xEF && data[1] == 0xFE && data[3] == 0x10;
    FUZZ_CHECK(record.has_value() == isReport);
    if (!record)
        return 0;
    for (std::size_t i = 0; i < 60; ++i)
        FUZZ_CHECK(record->bytes()[i] == data[i]);

    checkFormats(*record, data);
    fuzz::FuzzInput extra(data + 60, size - 60);
    checkWrites(*record, data, extra);
    checkTable(*record, extra);
    return 0;
}
