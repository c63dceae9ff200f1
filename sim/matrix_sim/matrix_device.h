#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

struct DeviceConfig {
    std::uint8_t size = 8;      // inputs and outputs: 4, 8, 16 or 32
    std::uint8_t type = 0xA6;   // type code the identity reply reports
    std::uint8_t address = 1;   // 1 to 8
    std::uint8_t header = 0xBA; // the header this device uses (0xBA or 0x96)
    // Address byte of every reply; the device's own address when empty.
    std::optional<std::uint8_t> replyAddress;
    // One unit of the cycle interval; a second on a real device, shorter in tests.
    std::chrono::milliseconds intervalUnit{1000};
    // Bit o set: output o keeps its input whatever a switch asks, and the switch's answer
    // reports the input it kept, as a device with a failed output stage does.
    std::uint32_t refusedOutputs = 0;
    // Switches are taken as asked but answered with the next input (wrapping round), so that
    // the answer does not match the request.
    bool wrongInput = false;
};

// The behaviour of a matrix switcher, without any transport: it takes whole frames and gives
// back the frames it answers with, and keeps the crosspoints, scenes, cycling, configuration
// and video properties a device keeps. Time comes in as an argument so that cycling can be
// driven by whoever owns the clock.
class MatrixDevice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxPorts = 32;
    static constexpr std::size_t kScenes = 16;
    static constexpr std::uint8_t kNeutralVideo = 128;
    static constexpr std::uint8_t kDefaultEdid = 13; // 1920x1080p60
    static constexpr std::uint8_t kLastEdid = 18;
    static constexpr std::uint8_t kLastAspect = 5;
    static constexpr std::uint8_t kLastBaudCode = 3;

    struct Outcome {
        std::vector<std::vector<std::uint8_t>> replies;
        // Why a frame was not acted on (empty when it was), for the log.
        std::string ignored;
        // Anything else the log should tell about a frame that was acted on.
        std::string note;
        // True when anything of the state changed.
        bool changed = false;
    };

    explicit MatrixDevice(const DeviceConfig& config);

    // Acts on one whole frame as found by the FrameScanner.
    Outcome Handle(std::span<const std::uint8_t> frame, Clock::time_point now);

    // When the running cycle loads its next scene; empty while cycling is off.
    std::optional<Clock::time_point> NextCycleStep() const;
    // Loads the next scene of the cycle if its time has come. True when the state changed.
    bool StepCycle(Clock::time_point now);

    // The whole state as text, one item per line, for tests and operators:
    //   address 1 / header BA / type A6 / size 8 / baud 0
    //   crosspoints <input of output 0> <input of output 1> ...
    //   scene <n> <inputs as above>        (n = 1 to 16)
    //   cycle_mask FFFF / cycle_interval 3 / cycling on|off / cycle_scene <last loaded, 0 none>
    //   edid|crop|aspect|adc <one value per input>
    //   brightness|contrast|saturation <one value per output>
    std::string DescribeState() const;

    std::uint8_t Address() const { return m_address; }
    // The scene the cycle loaded last (1 to 16), 0 before the first.
    std::uint8_t CycleScene() const { return m_cycleScene; }
    // How many scene loads the cycle has made so far, so that the shell can log each one.
    std::uint64_t CycleLoads() const { return m_cycleLoads; }

private:
    using PortTable = std::array<std::uint8_t, kMaxPorts>;

    Outcome Act(std::uint8_t command, std::span<const std::uint8_t> data, Clock::time_point now);
    std::vector<std::uint8_t> Reply(std::uint8_t command, std::span<const std::uint8_t> data) const;
    void LoadNextCycleScene(Clock::time_point now);

    DeviceConfig m_config;
    std::uint8_t m_address;
    std::uint8_t m_baudCode = 0;
    PortTable m_crosspoints{};
    std::array<PortTable, kScenes> m_scenes{};
    std::uint16_t m_cycleMask = 0xFFFF;
    std::uint8_t m_cycleInterval = 3;
    bool m_cycling = false;
    std::uint8_t m_cycleScene = 0;
    std::uint64_t m_cycleLoads = 0;
    Clock::time_point m_nextStep{};
    PortTable m_edid{};
    PortTable m_crop{};
    PortTable m_aspect{};
    PortTable m_adcRuns{};
    PortTable m_brightness{};
    PortTable m_contrast{};
    PortTable m_saturation{};
};

} // namespace sim
