#include "terminal_setup/session/tool_settings_file.h"

#include "platform/profile.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace terminal_setup {

namespace {

constexpr const char* kFileName = "Quellin.ini";
constexpr const char* kNetSection = "Net";
constexpr const char* kCounterSection = "COMM";
// The group is fixed: whatever NetIP holds is read and then replaced by it.
constexpr const char* kGroupAddress = "224.0.0.41";
constexpr std::size_t kTestAddressChars = 19;
constexpr std::size_t kInterfaceNameChars = 63;
constexpr std::size_t kValueChars = 40;
constexpr int kDefaultAutoId = 1;

// Numbers go into the file in signed decimal, so a port above 2147483647 reads back the same
// 32 bits it was written from.
std::string signedDecimal(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

} // namespace

ToolSettingsFile::ToolSettingsFile(std::string directory) {
    if (!directory.empty() && directory.back() != '/')
        directory += '/';
    m_path = directory + kFileName;
}

ToolSettings ToolSettingsFile::load(std::vector<std::string>* notices) const {
    std::error_code error;
    if (!std::filesystem::exists(m_path, error)) {
        // A first run starts from what a read of an empty file would give, and keeps it, so that
        // the group can be joined from the very first run.
        const ToolSettings defaults{kGroupAddress, "", kDefaultHostPort};
        save(defaults);
        return defaults;
    }
    return read(notices);
}

ToolSettings ToolSettingsFile::read(std::vector<std::string>* notices) const {
    ToolSettings settings;
    // NetIP is kept in the file but never obeyed: the tool's group is fixed.
    settings.groupAddress = kGroupAddress;
    settings.testAddress =
        platform::getProfileString(kNetSection, "TestIP", "", kTestAddressChars, m_path);
    const int port =
        platform::getProfileInt(kNetSection, "NetPort", static_cast<int>(kDefaultHostPort), m_path);
    settings.hostPort = static_cast<std::uint32_t>(port);
    // A port the 16 bits of a datagram cannot hold would be cut to another one.
    if (port < 0 || static_cast<std::uint32_t>(port) > kMaxHostPort) {
        settings.hostPort = kDefaultHostPort;
        if (notices) {
            const std::string written =
                platform::getProfileString(kNetSection, "NetPort", "", kValueChars, m_path);
            notices->push_back(m_path + ": NetPort=" + written + " is not a port (0 to " +
                               std::to_string(kMaxHostPort) + "); Host Port " +
                               std::to_string(kDefaultHostPort) + " is used instead.");
        }
    }
    return settings;
}

void ToolSettingsFile::save(const ToolSettings& settings) const {
    platform::writeProfileString(kNetSection, "NetIP", settings.groupAddress, m_path);
    platform::writeProfileString(kNetSection, "TestIP", settings.testAddress, m_path);
    platform::writeProfileString(kNetSection, "NetPort", signedDecimal(settings.hostPort), m_path);
}

std::string ToolSettingsFile::loadInterface() const {
    return platform::getProfileString(kNetSection, "NetInterface", "", kInterfaceNameChars, m_path);
}

void ToolSettingsFile::saveInterface(const std::string& name) const {
    platform::writeProfileString(kNetSection, "NetInterface", name, m_path);
}

int ToolSettingsFile::loadAutoId() const {
    return platform::getProfileInt(kCounterSection, "AUTOID", kDefaultAutoId, m_path);
}

bool ToolSettingsFile::saveAutoId(int counter) const {
    return platform::writeProfileString(kCounterSection, "AUTOID", std::to_string(counter), m_path);
}

} // namespace terminal_setup
