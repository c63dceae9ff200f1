#include "terminal_setup/protocol/terminal_listing.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <QHostAddress>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>

namespace terminal_setup {

namespace {

std::uint32_t ipValue(const Ipv4Bytes& ip) {
    return (std::uint32_t{ip[0]} << 24) | (std::uint32_t{ip[1]} << 16) |
           (std::uint32_t{ip[2]} << 8) | ip[3];
}

std::uint64_t macValue(const MacBytes& mac) {
    std::uint64_t value = 0;
    for (std::uint8_t byte : mac)
        value = (value << 8) | byte;
    return value;
}

std::optional<std::uint32_t> dottedValue(const std::string& dotted) {
    bool ok = false;
    const std::uint32_t value = QHostAddress(QString::fromStdString(dotted)).toIPv4Address(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// Rows grouped by one key; every group of two or more rows is a clash among its members.
template <typename Key>
using Groups = std::unordered_map<Key, std::vector<std::size_t>>;

template <typename Key, typename Flag>
void addClashes(const Groups<Key>& groups, const std::vector<ListedTerminal>& rows,
                std::vector<std::map<std::size_t, TerminalClash>>& found, Flag flag) {
    for (const auto& [key, members] : groups) {
        if (members.size() < 2)
            continue;
        for (std::size_t row : members) {
            for (std::size_t other : members) {
                if (other == row || rows[other].record == rows[row].record)
                    continue;
                TerminalClash& clash = found[row][other];
                clash.row = other;
                clash.*flag = true;
            }
        }
    }
}

std::string networksOf(const NetworkInterface& card) {
    std::string text;
    for (std::size_t i = 0; i < card.ipv4.size(); ++i) {
        if (i > 0)
            text += i + 1 == card.ipv4.size() ? " and " : ", ";
        text += card.ipv4[i].address + "/" + std::to_string(card.ipv4[i].prefixLength);
    }
    return text;
}

std::string rowName(const std::vector<ListedTerminal>& rows, std::size_t row) {
    const TerminalRecord& record = rows[row].record;
    return "row " + std::to_string(row + 1) + " (ID " + formatId(record.id()) + ", " +
           formatMac(record.mac()) + ")";
}

} // namespace

std::vector<ListedTerminal> listTerminals(const TerminalTable& table,
                                          const std::vector<NetworkInterface>& interfaces) {
    std::vector<ListedTerminal> rows;
    rows.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        ListedTerminal row{table.at(i), std::nullopt};
        const int index = table.interfaceIndexAt(i);
        const auto card =
            std::find_if(interfaces.begin(), interfaces.end(), [index](const NetworkInterface& c) {
                return index > 0 && c.index == index;
            });
        if (card != interfaces.end())
            row.card = *card;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ListedTerminal> distinctTerminals(const std::vector<ListedTerminal>& rows) {
    std::vector<ListedTerminal> distinct;
    for (const ListedTerminal& row : rows) {
        const bool repeated =
            std::any_of(distinct.begin(), distinct.end(), [&row](const ListedTerminal& earlier) {
                const auto cardName = [](const ListedTerminal& r) {
                    return r.card ? r.card->name : std::string();
                };
                return earlier.record == row.record && cardName(earlier) == cardName(row);
            });
        if (!repeated)
            distinct.push_back(row);
    }
    return distinct;
}

bool inNetworkOf(const std::string& ip, const NetworkInterface& card) {
    const auto address = dottedValue(ip);
    if (!address)
        return false;
    return std::any_of(card.ipv4.begin(), card.ipv4.end(), [&](const Ipv4Entry& entry) {
        const auto own = dottedValue(entry.address);
        if (!own || entry.prefixLength < 0 || entry.prefixLength > 32)
            return false;
        const std::uint32_t mask =
            entry.prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - entry.prefixLength);
        return (*own & mask) == (*address & mask);
    });
}

std::vector<TerminalMarks> markTerminals(const std::vector<ListedTerminal>& rows) {
    Groups<std::uint32_t> byIp;
    Groups<std::uint8_t> byId;
    Groups<std::uint64_t> byMac;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const TerminalRecord& record = rows[row].record;
        byIp[ipValue(record.ipAddress())].push_back(row);
        byId[record.id()].push_back(row);
        byMac[macValue(record.mac())].push_back(row);
    }
    std::vector<std::map<std::size_t, TerminalClash>> found(rows.size());
    addClashes(byIp, rows, found, &TerminalClash::sameIp);
    addClashes(byId, rows, found, &TerminalClash::sameId);
    addClashes(byMac, rows, found, &TerminalClash::sameMac);

    std::vector<TerminalMarks> marks(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const auto& [other, clash] : found[row])
            marks[row].clashes.push_back(clash);
        const auto& card = rows[row].card;
        marks[row].unreachable = card && !card->ipv4.empty() &&
                                 !inNetworkOf(formatIpv4(rows[row].record.ipAddress()), *card);
    }
    return marks;
}

std::vector<std::string> describeMarks(const std::vector<ListedTerminal>& rows, std::size_t row,
                                       const TerminalMarks& marks) {
    std::vector<std::string> sentences;
    for (const TerminalClash& clash : marks.clashes) {
        if (sentences.size() == kNamedClashes) {
            const std::size_t more = marks.clashes.size() - kNamedClashes;
            sentences.push_back("And " + std::to_string(more) +
                                (more == 1 ? " more row" : " more rows") +
                                " with the same IP, ID or MAC.");
            break;
        }
        std::vector<std::string> what;
        if (clash.sameIp)
            what.push_back("IP");
        if (clash.sameId)
            what.push_back("ID");
        if (clash.sameMac)
            what.push_back("MAC");
        std::string sentence = "Same ";
        for (std::size_t i = 0; i < what.size(); ++i) {
            if (i > 0)
                sentence += i + 1 == what.size() ? " and " : ", ";
            sentence += what[i];
        }
        sentences.push_back(sentence + " as " + rowName(rows, clash.row) + ".");
    }
    if (marks.unreachable && rows[row].card) {
        const NetworkInterface& card = *rows[row].card;
        sentences.push_back(
            "Not reachable from this PC: " + formatIpv4(rows[row].record.ipAddress()) +
            " is outside " + networksOf(card) +
            (card.ipv4.size() > 1 ? ", the networks of " : ", the network of ") + card.name + ".");
    }
    return sentences;
}

std::vector<std::string> clashingMacs(const std::vector<ListedTerminal>& rows,
                                      const TerminalMarks& marks) {
    std::vector<std::string> macs;
    for (const TerminalClash& clash : marks.clashes) {
        std::string mac = formatMac(rows[clash.row].record.mac());
        if (std::find(macs.begin(), macs.end(), mac) == macs.end())
            macs.push_back(std::move(mac));
    }
    return macs;
}

} // namespace terminal_setup
