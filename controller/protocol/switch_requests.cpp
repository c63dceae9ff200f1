#include "controller/protocol/switch_requests.h"

#include "controller/protocol/matrix_kinds.h"

#include <algorithm>
#include <array>

namespace controller {

namespace {

// Every request built here fits in a frame, so the builder's nullopt case cannot happen.
CommandFrame build(HeaderChoice choice, int protocolType, std::uint8_t address,
                   std::uint8_t command, std::span<const std::uint8_t> data) {
    return *buildFrame(choice, protocolType, address, command, data);
}

CommandFrame fixedHeaderRequest(std::uint8_t address, std::uint8_t command, std::uint8_t value) {
    const std::array<std::uint8_t, 2> data{0x00, value};
    return build(HeaderChoice::FixedBA, 0, address, command, data);
}

} // namespace

int portCountForMatrixSize(int matrixSize) {
    return portsOfSizeIndex(matrixSize).value_or(kMatrixSizes[0].ports);
}

CommandFrame switchRequest(int protocolType, std::uint8_t address, std::uint8_t signalCode,
                           std::uint8_t output, std::uint8_t input) {
    const std::array<std::uint8_t, 3> data{signalCode, output, input};
    return build(HeaderChoice::Selectable, protocolType, address, command::kSwitch, data);
}

CommandFrame readSwitchRequest(int protocolType, std::uint8_t address, std::uint8_t signalCode,
                               int portCount) {
    const int count = std::clamp(portCount, 0, kMaxPorts);
    std::array<std::uint8_t, kMaxPorts + 1> data{};
    data[0] = signalCode;
    for (int output = 0; output < count; ++output) {
        data[static_cast<std::size_t>(output) + 1] = static_cast<std::uint8_t>(output);
    }
    return build(HeaderChoice::Selectable, protocolType, address, command::kReadSwitch,
                 std::span(data).first(static_cast<std::size_t>(count) + 1));
}

CommandFrame readIdentityRequest(int protocolType) {
    const std::array<std::uint8_t, 1> data{0x00};
    return build(HeaderChoice::Selectable, protocolType, kBroadcastAddress, command::kReadIdentity,
                 data);
}

CommandFrame saveSceneRequest(std::uint8_t address, std::uint8_t scene) {
    return fixedHeaderRequest(address, command::kSaveScene, scene);
}

CommandFrame loadSceneRequest(std::uint8_t address, std::uint8_t scene) {
    return fixedHeaderRequest(address, command::kLoadScene, scene);
}

CommandFrame startCycleRequest(std::uint8_t address) {
    return fixedHeaderRequest(address, command::kCycle, 0x00);
}

CommandFrame stopCycleRequest(std::uint8_t address) {
    return fixedHeaderRequest(address, command::kCycle, 0xFF);
}

} // namespace controller
