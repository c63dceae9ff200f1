#pragma once

#include "controller/protocol/reply_handler.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace controller {

// Shown for a 0x11 reply.
inline constexpr std::string_view kSaveSceneText = "  Save scene successfully!  ";

// Shown for a 0x15 reply: "Reload scene successfully!" from the serial line,
// "  Reload scene successfully!  " over the network.
std::string_view reloadSceneText(const LinkInfo& link);

// The identity text of a 0x14 reply, three lines each ended by "\r\n":
// "Current equipment:" and the type's name (nothing for an unknown type),
// "Device Address: %d", "Specifications: %d * %d".
std::string identityText(std::uint8_t type, std::uint8_t address, std::uint8_t size1,
                         std::uint8_t size2);

// The equipment text of a 0xA0..0xA7 reply: the first and last lines of the identity text.
std::string equipmentText(std::uint8_t type, std::uint8_t size1, std::uint8_t size2);

} // namespace controller
