#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace terminal_setup {

// The list window's three remembered values (section Net of Quellin.ini).
struct ToolSettings {
    std::string groupAddress;   // NetIP: always "224.0.0.41" once loaded
    std::string testAddress;    // TestIP: the "Dest address" of Test, at most 19 characters read
    std::uint32_t hostPort = 0; // NetPort: the "Host Port" P of Test

    bool operator==(const ToolSettings&) const = default;
};

// Quellin.ini: the one reader and writer of the file, for Quellin and for quellin-scan, which
// only reads it. Every read and write goes to the file at once; results of writes are not
// examined, so a file that cannot be written leaves the run unaffected.
class ToolSettingsFile {
public:
    explicit ToolSettingsFile(std::string directory);
    const std::string& path() const { return m_path; }

    static constexpr std::uint32_t kDefaultHostPort = 8866;
    static constexpr std::uint32_t kMaxHostPort = 65535;

    // Start-up load. A missing file yields the defaults of a read ("224.0.0.41", an empty test
    // address, 8866), and those are written at once so the next run finds them. A NetPort that
    // is no port (above 65535, or negative) reads as 8866, and `notices` (when given) gets one
    // sentence saying so, for the program to tell once.
    ToolSettings load(std::vector<std::string>* notices = nullptr) const;
    // The same values without writing anything, missing file or not: for a program that only
    // reads Quellin's file.
    ToolSettings read(std::vector<std::string>* notices = nullptr) const;
    // Writes NetIP, TestIP and NetPort, in that order.
    void save(const ToolSettings& settings) const;

    // The network interface the installer chose for the discovery socket, by name: NetInterface
    // in section Net, empty when none was chosen yet.
    std::string loadInterface() const;
    void saveInterface(const std::string& name) const;

    // The configuration dialog's ID counter: AUTOID in section COMM, 1 when missing. Saving
    // returns whether the file now holds the counter.
    int loadAutoId() const;
    bool saveAutoId(int counter) const;

private:
    std::string m_path;
};

} // namespace terminal_setup
