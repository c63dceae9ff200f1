#include "controller/link/com_port_names.h"

#include "platform/profile.h"

namespace controller {
namespace {
constexpr std::size_t kMaxDevicePathChars = 255;
}

std::string serialDevicePath(int n, const std::string& settingsPath) {
    const std::string key = "COM" + std::to_string(n);
    std::string mapped =
        platform::getProfileString("Ports", key, "", kMaxDevicePathChars, settingsPath);
    if (!mapped.empty())
        return mapped;
    // Widened so that n - 1 cannot overflow for any n.
    return "/dev/ttyS" + std::to_string(static_cast<long long>(n) - 1);
}

} // namespace controller
