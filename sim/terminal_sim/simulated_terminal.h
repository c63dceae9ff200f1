#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// One serial-to-Ethernet terminal as the discovery protocol sees it: its whole state is the
// 60-byte report it sends when scanned. Written from the terminal's side, independently of the
// tool, so that tests of the tool against it check one reading of the format against another.
class SimulatedTerminal {
public:
    static constexpr std::size_t kSize = 60;
    using Bytes = std::array<std::uint8_t, kSize>;

    // Offsets of the fields a terminal keeps.
    static constexpr std::size_t kHeaderAt = 2;
    static constexpr std::size_t kTypeAt = 3;
    static constexpr std::size_t kMacAt = 4;
    static constexpr std::size_t kIpAt = 10;
    static constexpr std::size_t kMulticastAt = 14;
    static constexpr std::size_t kHostIpAt = 18;
    static constexpr std::size_t kGatewayAt = 22;
    static constexpr std::size_t kMaskAt = 26;
    static constexpr std::size_t kLocalPortAt = 30;
    static constexpr std::size_t kHostPortAt = 32;
    static constexpr std::size_t kWorkModeAt = 34;
    static constexpr std::size_t kBaudAt = 35;
    static constexpr std::size_t kIdAt = 36;
    static constexpr std::size_t kNameAt = 37;
    static constexpr std::size_t kModelAt = 43;
    static constexpr std::size_t kAddressModeAt = 46;
    static constexpr std::size_t kOpaqueAt = 47;
    static constexpr std::size_t kSoftwareAt = 54;
    static constexpr std::size_t kHardwareAt = 55;
    static constexpr std::size_t kDnsAt = 56;

    enum Type : std::uint8_t { kScan = 1, kWrite = 2, kReset = 3, kReport = 16 };

    // `report` is taken as the terminal's state; its magic and type are set here.
    explicit SimulatedTerminal(const Bytes& report);

    const Bytes& report() const { return m_report; }

    // Fields a terminal may be made to ignore, as a faulty or locked one would, by the names of
    // the tool's records: ip mask gateway dns port mode dhcp baud host_ip host_port name (of a
    // configuration write) and id (a whole reset).
    using IgnoredFields = std::set<std::string, std::less<>>;
    static bool isFieldName(std::string_view name);

    // Faults of this terminal alone: fields it ignores in every write, on top of those the
    // caller names, and the number of configuration writes it drops whole before it takes one,
    // as a terminal that is busy or loses a datagram would.
    void ignoreFields(const IgnoredFields& fields) {
        m_ignored.insert(fields.begin(), fields.end());
    }
    const IgnoredFields& ignoredFields() const { return m_ignored; }
    void dropWrites(int count) { m_writesToDrop = count; }

    enum class Write { NotAddressed, Taken, Dropped };
    // A configuration write addressed to this terminal's MAC: takes every field a write
    // carries but those in `ignored` and its own, or drops it whole while writes are to be
    // dropped. Says which, or that it was for another terminal.
    Write takeWrite(std::span<const std::uint8_t> datagram, const IgnoredFields& ignored = {});
    // A reset whose first five MAC bytes are this terminal's: its last MAC byte and its ID
    // become the new ID the reset carries, unless "id" is ignored. Returns whether it was for
    // this terminal.
    bool takeReset(std::span<const std::uint8_t> datagram, const IgnoredFields& ignored = {});

    // The type of a datagram the terminals understand, or 0 for anything else (too short or
    // without the magic).
    static std::uint8_t typeOf(std::span<const std::uint8_t> datagram);

private:
    void copyFrom(std::span<const std::uint8_t> datagram, std::size_t at, std::size_t size);

    Bytes m_report;
    IgnoredFields m_ignored;
    int m_writesToDrop = 0;
};

} // namespace sim
