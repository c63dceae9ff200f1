#include "sim/matrix_sim/matrix_device.h"

#include "sim/matrix_sim/device_frame.h"

#include <cstdio>

namespace sim {

namespace {

// Requests that a controller always sends with 0xBA, whatever header the device uses.
bool AlwaysSentWithBA(std::uint8_t command) {
    switch (command) {
    case kSaveScene:
    case kLoadScene:
    case kCycle:
    case kNewAddress:
    case kBaudRate:
    case kCycleScenes:
    case kCycleInterval:
        return true;
    default:
        return false;
    }
}

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

MatrixDevice::Outcome Ignore(std::string why) {
    MatrixDevice::Outcome outcome;
    outcome.ignored = std::move(why);
    return outcome;
}

// Property codes of the video requests.
constexpr std::uint8_t kBrightness = 0xB1;
constexpr std::uint8_t kContrast = 0xB2;
constexpr std::uint8_t kSaturation = 0xB3;
constexpr std::uint8_t kResetVideo = 0xB4;
constexpr std::uint8_t kEdid = 0x0C;
constexpr std::uint8_t kCrop = 0x0D;
constexpr std::uint8_t kAspect = 0x0E;
constexpr std::uint8_t kAdc = 0x0F;
constexpr std::uint8_t kReadInput = 0x11;

constexpr std::uint8_t kCycleStart = 0x00;
constexpr std::uint8_t kCycleStop = 0xFF;

} // namespace

MatrixDevice::MatrixDevice(const DeviceConfig& config)
    : m_config(config), m_address(config.address) {
    // Straight through: output n shows input n until someone switches.
    for (std::size_t o = 0; o < kMaxPorts; ++o)
        m_crosspoints[o] = static_cast<std::uint8_t>(o);
    m_scenes.fill(m_crosspoints);
    m_edid.fill(kDefaultEdid);
    m_brightness.fill(kNeutralVideo);
    m_contrast.fill(kNeutralVideo);
    m_saturation.fill(kNeutralVideo);
}

std::vector<std::uint8_t> MatrixDevice::Reply(std::uint8_t command,
                                              std::span<const std::uint8_t> data) const {
    return MakeFrame(m_config.header, m_config.replyAddress.value_or(m_address), command, data);
}

MatrixDevice::Outcome MatrixDevice::Handle(std::span<const std::uint8_t> frame,
                                           Clock::time_point now) {
    if (frame.size() < kFrameOverhead + 1 || frame.size() != frame[3] + kFrameOverhead)
        return Ignore("malformed frame");
    const std::uint8_t header = frame[0];
    const std::uint8_t address = frame[1];
    const std::uint8_t command = frame[2];
    const bool headerAccepted =
        header == m_config.header || (header == kHeaderBA && AlwaysSentWithBA(command));
    if (!headerAccepted)
        return Ignore("header " + Hex2(header) + " not accepted for command " + Hex2(command));
    if (address != m_address && address != kEveryDevice)
        return Ignore("address " + Hex2(address) + " is not this device");
    return Act(command, frame.subspan(kFrameOverhead, frame.size() - kFrameOverhead - 1), now);
}

MatrixDevice::Outcome MatrixDevice::Act(std::uint8_t command, std::span<const std::uint8_t> data,
                                        Clock::time_point now) {
    const std::size_t ports = m_config.size;
    const std::string wrongLength = "wrong length for command " + Hex2(command);
    Outcome outcome;
    switch (command) {
    case kSwitch: {
        if (data.size() != 3)
            return Ignore(wrongLength);
        const std::uint8_t output = data[1];
        const std::uint8_t input = data[2];
        if (output >= ports || input >= ports)
            return Ignore("no such port");
        if (m_config.refusedOutputs & (1u << output)) {
            outcome.note = "output " + std::to_string(output + 1) +
                           " refuses the switch, keeps input " +
                           std::to_string(m_crosspoints[output] + 1);
        } else {
            outcome.changed = m_crosspoints[output] != input;
            m_crosspoints[output] = input;
        }
        std::uint8_t answered = m_crosspoints[output];
        if (m_config.wrongInput) {
            answered = static_cast<std::uint8_t>((answered + 1) % ports);
            outcome.note += (outcome.note.empty() ? "" : "; ") + std::string("answering input ") +
                            std::to_string(answered + 1) + " instead";
        }
        const std::uint8_t pair[] = {data[0], output, answered};
        outcome.replies.push_back(Reply(kSwitch, pair));
        return outcome;
    }
    case kReadSwitch: {
        if (data.empty())
            return Ignore(wrongLength);
        std::vector<std::uint8_t> pairs{data[0]};
        for (std::uint8_t output : data.subspan(1)) {
            if (output < ports) {
                pairs.push_back(output);
                pairs.push_back(m_crosspoints[output]);
            }
        }
        if (pairs.size() + kFrameOverhead > 255)
            return Ignore("too many outputs asked");
        outcome.replies.push_back(Reply(kReadSwitch, pairs));
        return outcome;
    }
    case kIdentity: {
        if (data.size() != 1)
            return Ignore(wrongLength);
        // L = 5 puts the frame's last byte, the output count, where a sum would be: the
        // identity reply has no room for one, like the request that asks for it.
        outcome.replies.push_back({m_config.header, m_config.replyAddress.value_or(m_address),
                                   kIdentity, 0x05, 0x00, m_config.type, m_address, m_config.size,
                                   m_config.size});
        return outcome;
    }
    case kSaveScene:
    case kLoadScene: {
        if (data.size() != 2)
            return Ignore(wrongLength);
        const std::uint8_t scene = data[1];
        if (scene < 1 || scene > kScenes)
            return Ignore("no scene " + std::to_string(scene));
        PortTable& stored = m_scenes[scene - 1];
        PortTable& target = command == kSaveScene ? stored : m_crosspoints;
        const PortTable& source = command == kSaveScene ? m_crosspoints : stored;
        outcome.changed = target != source;
        target = source;
        const std::uint8_t echo[] = {0x00, scene};
        outcome.replies.push_back(Reply(command, echo));
        return outcome;
    }
    case kCycle: {
        if (data.size() != 2)
            return Ignore(wrongLength);
        if (data[1] == kCycleStart) {
            m_cycling = true;
            m_cycleScene = 0;
            LoadNextCycleScene(now);
        } else if (data[1] == kCycleStop) {
            m_cycling = false;
        } else {
            return Ignore("cycle switch " + Hex2(data[1]));
        }
        outcome.changed = true;
        return outcome;
    }
    case kNewAddress: {
        if (data.size() != 2)
            return Ignore(wrongLength);
        if (data[1] < 1 || data[1] > 8)
            return Ignore("address " + std::to_string(data[1]) + " out of range");
        m_address = data[1];
        outcome.changed = true;
        return outcome;
    }
    case kBaudRate: {
        if (data.size() != 2)
            return Ignore(wrongLength);
        if (data[1] > kLastBaudCode)
            return Ignore("baud code " + std::to_string(data[1]));
        m_baudCode = data[1];
        outcome.changed = true;
        return outcome;
    }
    case kCycleScenes: {
        if (data.size() != 3)
            return Ignore(wrongLength);
        m_cycleMask = static_cast<std::uint16_t>((data[1] << 8) | data[2]);
        outcome.changed = true;
        return outcome;
    }
    case kCycleInterval: {
        if (data.size() != 2)
            return Ignore(wrongLength);
        if (data[1] == 0)
            return Ignore("interval 0");
        m_cycleInterval = data[1];
        if (m_cycling)
            m_nextStep = now + m_cycleInterval * m_config.intervalUnit;
        outcome.changed = true;
        return outcome;
    }
    case kOutputVideo: {
        if (data.size() != 4)
            return Ignore(wrongLength);
        const std::uint8_t property = data[1];
        const std::uint8_t value = data[2];
        const std::uint8_t channel = data[3];
        if (channel >= ports)
            return Ignore("no output " + std::to_string(channel));
        switch (property) {
        case kBrightness:
            m_brightness[channel] = value;
            break;
        case kContrast:
            m_contrast[channel] = value;
            break;
        case kSaturation:
            m_saturation[channel] = value;
            break;
        case kResetVideo:
            m_brightness[channel] = m_contrast[channel] = m_saturation[channel] = kNeutralVideo;
            break;
        default:
            return Ignore("output property " + Hex2(property));
        }
        outcome.changed = true;
        return outcome;
    }
    case kInputProperty: {
        if (data.size() != 4)
            return Ignore(wrongLength);
        const std::uint8_t property = data[1];
        const std::uint8_t value = data[2];
        const std::uint8_t channel = data[3];
        if (channel >= ports)
            return Ignore("no input " + std::to_string(channel));
        switch (property) {
        case kEdid:
            if (value > kLastEdid)
                return Ignore("EDID " + std::to_string(value));
            m_edid[channel] = value;
            break;
        case kCrop:
            if (value > 1)
                return Ignore("crop " + std::to_string(value));
            m_crop[channel] = value;
            break;
        case kAspect:
            if (value > kLastAspect)
                return Ignore("aspect " + std::to_string(value));
            m_aspect[channel] = value;
            break;
        case kAdc:
            ++m_adcRuns[channel];
            break;
        case kReadInput: {
            const std::uint8_t report[] = {
                channel, 0x00, 0x00, m_edid[channel], m_crop[channel], m_aspect[channel]};
            outcome.replies.push_back(Reply(kInputReport, report));
            return outcome;
        }
        default:
            return Ignore("input property " + Hex2(property));
        }
        outcome.changed = true;
        return outcome;
    }
    default:
        return Ignore("unknown command " + Hex2(command));
    }
}

void MatrixDevice::LoadNextCycleScene(Clock::time_point now) {
    m_nextStep = now + m_cycleInterval * m_config.intervalUnit;
    if (m_cycleMask == 0)
        return;
    // Scenes are taken in ascending order after the one shown last, wrapping round.
    for (std::size_t step = 1; step <= kScenes; ++step) {
        const std::size_t scene = (m_cycleScene + step - 1) % kScenes + 1;
        if (m_cycleMask & (1u << (scene - 1))) {
            m_cycleScene = static_cast<std::uint8_t>(scene);
            m_crosspoints = m_scenes[scene - 1];
            ++m_cycleLoads;
            return;
        }
    }
}

std::optional<MatrixDevice::Clock::time_point> MatrixDevice::NextCycleStep() const {
    if (!m_cycling)
        return std::nullopt;
    return m_nextStep;
}

bool MatrixDevice::StepCycle(Clock::time_point now) {
    if (!m_cycling || now < m_nextStep)
        return false;
    LoadNextCycleScene(now);
    return true;
}

std::string MatrixDevice::DescribeState() const {
    const std::size_t ports = m_config.size;
    auto row = [ports](const char* name, const PortTable& values) {
        std::string line = name;
        for (std::size_t i = 0; i < ports; ++i)
            line += ' ' + std::to_string(values[i]);
        return line + '\n';
    };
    std::string text;
    text += "address " + std::to_string(m_address) + '\n';
    text += "header " + Hex2(m_config.header) + '\n';
    text += "type " + Hex2(m_config.type) + '\n';
    text += "size " + std::to_string(ports) + '\n';
    text += "baud " + std::to_string(m_baudCode) + '\n';
    text += row("crosspoints", m_crosspoints);
    for (std::size_t s = 0; s < kScenes; ++s)
        text += row(("scene " + std::to_string(s + 1)).c_str(), m_scenes[s]);
    text += "cycle_mask " + Hex2(m_cycleMask >> 8) + Hex2(m_cycleMask) + '\n';
    text += "cycle_interval " + std::to_string(m_cycleInterval) + '\n';
    text += std::string("cycling ") + (m_cycling ? "on" : "off") + '\n';
    text += "cycle_scene " + std::to_string(m_cycleScene) + '\n';
    text += row("edid", m_edid);
    text += row("crop", m_crop);
    text += row("aspect", m_aspect);
    text += row("adc", m_adcRuns);
    text += row("brightness", m_brightness);
    text += row("contrast", m_contrast);
    text += row("saturation", m_saturation);
    return text;
}

} // namespace sim
