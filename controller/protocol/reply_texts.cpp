#include "controller/protocol/reply_texts.h"

#include "controller/protocol/signal_code.h"

namespace controller {

namespace {

std::string equipmentLine(std::uint8_t type) {
    return "Current equipment:" + std::string(signalCodeName(type)) + "\r\n";
}

std::string specificationsLine(std::uint8_t size1, std::uint8_t size2) {
    return "Specifications: " + std::to_string(size1) + " * " + std::to_string(size2) + "\r\n";
}

} // namespace

std::string_view reloadSceneText(const LinkInfo& link) {
    return link.network ? "  Reload scene successfully!  " : "Reload scene successfully!";
}

std::string identityText(std::uint8_t type, std::uint8_t address, std::uint8_t size1,
                         std::uint8_t size2) {
    return equipmentLine(type) + "Device Address: " + std::to_string(address) + "\r\n" +
           specificationsLine(size1, size2);
}

std::string equipmentText(std::uint8_t type, std::uint8_t size1, std::uint8_t size2) {
    return equipmentLine(type) + specificationsLine(size1, size2);
}

} // namespace controller
