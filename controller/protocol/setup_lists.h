#pragma once

#include <array>
#include <string_view>

namespace controller {

// The entries of the Setup dialog's lists. For each list the position of an entry is the value
// the device is sent, so the order here is part of the protocol.

// EDID choices, value 0..18 of the input property 0x0C.
inline constexpr std::array<std::string_view, 19> kEdidEntries{
    "800x600",     "1024x768",     "1280x768",     "1280x800",     "1280x960",
    "1280x1024",   "1360x768",     "1366x768",     "1400x1050",    "1440x900",
    "1600x900",    "1600x1200",    "1680x1050",    "1920x1080p60", "1920x1080p50",
    "1280x720p60", "1920x1080i60", "1920x1080i50", "1920x1200",
};

// Crop choices, value 0..1 of the input property 0x0D.
inline constexpr std::array<std::string_view, 2> kCropEntries{"NO", "YES"};

// Aspect-ratio choices, value 0..5 of the input property 0x0E.
inline constexpr std::array<std::string_view, 6> kAspectRatioEntries{
    "16x9 FULL", "original", "point to point", "4x3", "Just scan", "14x9",
};

// The Setup dialog's baud list; the position is the baud code of the change-baud request.
// Deliberately not the main window's order (2400, 4800, 9600, 19200).
inline constexpr std::array<std::string_view, 4> kSetupBaudEntries{"9600", "4800", "2400", "19200"};

} // namespace controller
