#pragma once

#include <string>

namespace controller {

// Device path of serial port "COMn": the value of key "COMn" in section "Ports" of the settings
// file at `settingsPath` when present and not empty (up to 255 characters), else
// "/dev/ttyS<n-1>". Tests and demos point the keys at pseudo-terminals of their own.
std::string serialDevicePath(int n, const std::string& settingsPath);

} // namespace controller
