#pragma once

#include "controller/session/settings_file.h"
#include "controller/ui/device_setup_host.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"

#include <QComboBox>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// Stands in for the main window behind the Setup and Network Setting dialogs. Every call the
// dialog makes lands in one ordered log of readable lines, frames as hex:
//   "frame BA 01 1B 03 00 0A E3"        a whole frame for every active link
//   "serial frame BA 01 18 03 00 01 D7" a frame for the serial link only
//   "output B1 80 00"                    property, value, channel of a 0x1C request
//   "input 11 FF 03"                     the same for a 0x1D request
//   "save 8"                             an item written to the settings file
// Saves go through a real SettingsFile in a folder of its own, so tests can look at the file.
class RecordingSetupHost : public controller::DeviceSetupHost {
public:
    RecordingSetupHost() : m_file(m_dir.path()) {}

    void sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) override {
        calls.push_back((serialOnly ? "serial frame " : "frame ") + hex(frame));
    }
    void sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                 std::uint8_t channel) override {
        calls.push_back("output " + hex({property, value, channel}));
    }
    void sendInputProperty(std::uint8_t property, std::uint8_t value,
                           std::uint8_t channel) override {
        calls.push_back("input " + hex({property, value, channel}));
    }
    const controller::ControllerSettings& settings() const override { return values; }
    void setCycleScenes(std::uint16_t mask) override {
        values.sceneRun = mask;
        save(controller::SettingsFile::kSceneRun);
    }
    void setCycleInterval(int interval) override {
        values.idleTime = interval;
        save(controller::SettingsFile::kIdleTime);
    }
    void setNetworkSettings(const controller::NetworkSettings& net) override {
        values.netIp = net.netIp;
        values.gateIp = net.gateIp;
        values.destIp = net.destIp;
        values.maskIp = net.maskIp;
        values.hostPort = net.hostPort;
        values.destPort = net.destPort;
        values.transport = net.transport;
        save(controller::SettingsFile::kNetwork);
    }
    void save(int item) {
        calls.push_back("save " + std::to_string(item));
        m_file.save(item, values, recorder);
    }
    platform::PromptSink& prompts() override { return recorder; }

    std::string settingsFileBytes() const {
        return TempDir::exists(m_file.path()) ? TempDir::readFile(m_file.path()) : std::string();
    }

    static std::string hex(const std::vector<std::uint8_t>& bytes) {
        static const char* digits = "0123456789ABCDEF";
        std::string out;
        for (std::uint8_t b : bytes) {
            if (!out.empty())
                out += ' ';
            out += digits[b >> 4];
            out += digits[b & 0x0F];
        }
        return out;
    }

    controller::ControllerSettings values;
    PromptRecorder recorder;
    std::vector<std::string> calls;

private:
    TempDir m_dir;
    controller::SettingsFile m_file;
};

// A table case's text as a test-name part: letters and digits kept, anything else "_",
// nothing at all "empty".
inline std::string caseName(std::string_view text) {
    if (text.empty())
        return "empty";
    std::string name;
    for (char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// What the operator's choice of a list entry does: the entry becomes current and the list
// reports the activation (which the program's own selections never do).
inline void chooseEntry(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace test_support
