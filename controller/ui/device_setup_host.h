#pragma once

#include "controller/session/controller_settings.h"
#include "platform/prompt.h"

#include <cstdint>
#include <vector>

namespace controller {

// What the Setup and Network Setting dialogs need from the main window that opens them: its
// links, its settings with their file, and its prompts. The main window implements it; dialog
// tests put a recorder in its place.
class DeviceSetupHost {
public:
    virtual ~DeviceSetupHost() = default;

    // Hands a whole frame to the serial link when the port is open (discarding output still
    // pending), then to the network link when "Use Net" is on. serialOnly keeps it off the network
    // (the device baud-rate request).
    virtual void sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) = 0;
    // Builds and sends an output video property request (0x1C) with the window's current device
    // address and header.
    virtual void sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                         std::uint8_t channel) = 0;
    // Builds and sends an input property request (0x1D) likewise.
    virtual void sendInputProperty(std::uint8_t property, std::uint8_t value,
                                   std::uint8_t channel) = 0;

    // The settings as they stand; dialogs change them only through the calls below, which keep
    // them and write them to the settings file.
    virtual const ControllerSettings& settings() const = 0;
    // The scenes in the device's cycle, bit k for scene k + 1 (SceneRun).
    virtual void setCycleScenes(std::uint16_t mask) = 0;
    // The interval of the device's cycling (IdleTime).
    virtual void setCycleInterval(int interval) = 0;
    // The network link's addresses and ports, all at once.
    virtual void setNetworkSettings(const NetworkSettings& net) = 0;

    virtual platform::PromptSink& prompts() = 0;
};

} // namespace controller
