#include "terminal_setup/protocol/write_check.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <algorithm>
#include <functional>

namespace terminal_setup {

namespace {

using Shown = std::function<std::string(const TerminalRecord&)>;

struct WrittenField {
    const char* caption;
    Shown shown;
};

std::string quoted(const std::string& text) {
    std::string out = "\"";
    return out.append(text).append("\"");
}

std::string addressMode(const TerminalRecord& record) {
    return record.usesDhcp() ? "Use DHCP" : kSpecifyIpCaption;
}

// The fields a configuration write carries, as the setup pages name them.
const std::vector<WrittenField>& writtenFields() {
    static const std::vector<WrittenField> fields = {
        {"Device name", [](const TerminalRecord& r) { return quoted(formatName(r)); }},
        {"IP", [](const TerminalRecord& r) { return formatIpv4(r.ipAddress()); }},
        {"Mask", [](const TerminalRecord& r) { return formatIpv4(r.subnetMask()); }},
        {"Port", [](const TerminalRecord& r) { return formatPort(r.localPort()); }},
        {"Work mode", [](const TerminalRecord& r) { return formatWorkMode(r.workMode()); }},
        {"Addressing", addressMode},
        {"Baud", [](const TerminalRecord& r) { return formatBaud(r.baudIndex()); }},
        {"Host IP", [](const TerminalRecord& r) { return formatIpv4(r.hostIp()); }},
        {"Host Port", [](const TerminalRecord& r) { return formatPort(r.hostPort()); }},
        {"Gateway", [](const TerminalRecord& r) { return formatIpv4(r.gateway()); }},
        {"DNS server", [](const TerminalRecord& r) { return formatIpv4(r.dnsServer()); }},
    };
    return fields;
}

// The sent datagram read as a report, so that its values are shown exactly as reports are.
std::optional<TerminalRecord> asReport(TerminalDatagram sent) {
    sent[field::kType] = static_cast<std::uint8_t>(DatagramType::TerminalReport);
    return acceptReport(sent);
}

bool macStartsAs(const TerminalRecord& report, const TerminalDatagram& sent, std::size_t bytes) {
    return std::equal(report.bytes().begin() + field::kMac,
                      report.bytes().begin() + field::kMac + static_cast<std::ptrdiff_t>(bytes),
                      sent.begin() + field::kMac);
}

std::string listOf(const std::vector<CheckedValue>& values, bool withReported) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i ? ", " : "") + values[i].field + " " + values[i].written;
        if (withReported)
            text += " (it reports " + values[i].reported + ")";
    }
    return text;
}

} // namespace

bool isWrittenTerminal(const TerminalDatagram& sent, const TerminalRecord& before,
                       const TerminalRecord& report) {
    if (sent[field::kType] != static_cast<std::uint8_t>(DatagramType::Reset))
        return macStartsAs(report, sent, 6);
    const std::uint8_t last = report.mac()[5];
    return macStartsAs(report, sent, 5) &&
           (last == sent[field::kMac + 5] || last == before.mac()[5]);
}

WriteCheck checkWrite(const TerminalDatagram& sent, const TerminalRecord& before,
                      const TerminalRecord* report) {
    WriteCheck check;
    check.reset = sent[field::kType] == static_cast<std::uint8_t>(DatagramType::Reset);
    const std::optional<TerminalRecord> written = asReport(sent);
    check.answered = report != nullptr && written.has_value();
    check.mac = formatMac(report ? report->mac() : written ? written->mac() : before.mac());
    if (!check.answered)
        return check;

    const auto compare = [&](const char* caption, const Shown& shown) {
        CheckedValue value{caption, shown(*written), shown(*report)};
        if (value.written != value.reported)
            check.notShown.push_back(std::move(value));
        else if (value.written != shown(before))
            check.shown.push_back(std::move(value));
    };
    if (check.reset) {
        compare("ID", [](const TerminalRecord& r) { return formatId(r.id()); });
        return check;
    }
    for (const WrittenField& field : writtenFields())
        compare(field.caption, field.shown);
    return check;
}

std::string describeWriteCheck(const WriteCheck& check) {
    const char* what = check.reset ? "reset" : "write";
    if (!check.answered)
        return "The terminal " + check.mac + " did not answer the scan after the " + what + ".";
    std::string text = "The terminal " + check.mac + " answered.";
    if (!check.shown.empty())
        text += " It shows: " + listOf(check.shown, false) + ".";
    if (!check.notShown.empty())
        text += " It does not show: " + listOf(check.notShown, true) + ".";
    if (check.shown.empty() && check.notShown.empty())
        text += " It shows every value written; none differed from before.";
    return text;
}

} // namespace terminal_setup
