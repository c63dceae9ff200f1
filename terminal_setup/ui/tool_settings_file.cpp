#include "terminal_setup/ui/tool_settings_file.h"

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
constexpr int kDefaultHostPort = 8866;
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

ToolSettings ToolSettingsFile::load() const {
    std::error_code error;
    if (!std::filesystem::exists(m_path, error)) {
        // A first run starts from what a read of an empty file would give, and keeps it, so that
        // the group can be joined from the very first run.
        const ToolSettings defaults{kGroupAddress, "", kDefaultHostPort};
        save(defaults);
        return defaults;
    }
    ToolSettings settings;
    // NetIP is kept in the file but never obeyed: the tool's group is fixed.
    settings.groupAddress = kGroupAddress;
    settings.testAddress =
        platform::getProfileString(kNetSection, "TestIP", "", kTestAddressChars, m_path);
    settings.hostPort = static_cast<std::uint32_t>(
        platform::getProfileInt(kNetSection, "NetPort", kDefaultHostPort, m_path));
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
