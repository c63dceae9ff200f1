#include "controller/protocol/frame_decoder.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/setup_lists.h"
#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/single_line_text.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace controller {

namespace {

constexpr std::uint8_t kCycleStart = 0x00;
constexpr std::uint8_t kCycleStop = 0xFF;
constexpr int kScenes = 16;

// A whole frame of a known shape, bytes 0 to L + 3.
struct Frame {
    std::span<const std::uint8_t> bytes;
    const FrameShape& shape;

    std::uint8_t command() const { return bytes[2]; }
    unsigned length() const { return bytes[3]; }
    // The bytes between the length byte and the trailer.
    std::span<const std::uint8_t> data() const { return frameData(shape, bytes); }
    bool hasTrailer() const { return endsInTrailer(shape, length()); }
    std::uint8_t last() const { return bytes.back(); }
};

std::string hexValue(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// "1–8", "1, 3, 5–7": ascending runs of three or more become ranges.
std::string numberList(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t end = i;
        while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) {
            ++end;
        }
        if (!text.empty()) {
            text += ", ";
        }
        if (end - i >= 2) {
            text += std::to_string(numbers[i]) + "–" + std::to_string(numbers[end]);
            i = end + 1;
        } else {
            text += std::to_string(numbers[i]);
            ++i;
        }
    }
    return text;
}

// Name of a signal layer or device type, or its code when it has none.
std::string codeWords(std::uint8_t code, std::string_view what) {
    const std::string_view name = signalCodeName(code);
    return name.empty() ? std::string(what) + " " + hexValue(code) : std::string(name);
}

std::string signalWords(std::uint8_t code) {
    return codeWords(code, "signal");
}

std::string sizeWords(std::uint8_t inputs, std::uint8_t outputs) {
    return std::to_string(inputs) + " × " + std::to_string(outputs);
}

// An entry of one of the Setup dialog's lists, or the value when the list has no such entry.
template <std::size_t N>
std::string listEntry(const std::array<std::string_view, N>& entries, std::uint8_t value) {
    return value < N ? std::string(entries[value]) : std::to_string(value) + " (unknown)";
}

// Inputs and outputs as the operator knows them: counted from 1, with their names.
class PortWords {
public:
    explicit PortWords(const PortNamer& names) : m_names(names) {}

    std::string port(PortKind kind, std::uint8_t wireNumber) const {
        const int number = wireNumber + 1;
        std::string text =
            (kind == PortKind::Input ? "input " : "output ") + std::to_string(number);
        if (m_names) {
            const std::string name = singleLineText(m_names(kind, number));
            if (!name.empty()) {
                text += " \"" + name + "\"";
            }
        }
        return text;
    }

    // "input 3 → output 5"
    std::string route(std::uint8_t input, std::uint8_t output) const {
        return port(PortKind::Input, input) + " → " + port(PortKind::Output, output);
    }

private:
    const PortNamer& m_names;
};

using Decode = std::string (*)(const Frame&, const PortWords&);

std::string switchRequestWords(const Frame& f, const PortWords& ports) {
    const auto d = f.data();
    return "switch " + ports.route(d[2], d[1]) + ", " + signalWords(d[0]);
}

std::string readRequestWords(const Frame& f, const PortWords&) {
    const auto d = f.data();
    std::vector<int> outputs;
    for (const std::uint8_t output : d.subspan(1)) {
        outputs.push_back(output + 1);
    }
    const std::string which = outputs.empty()       ? "no output"
                              : outputs.size() == 1 ? "output " + numberList(outputs)
                                                    : "outputs " + numberList(outputs);
    return "read switch state of " + which + ", " + signalWords(d[0]);
}

std::string saveRequestWords(const Frame& f, const PortWords&) {
    return "save scene " + std::to_string(f.data()[1]);
}

std::string loadRequestWords(const Frame& f, const PortWords&) {
    return "load scene " + std::to_string(f.data()[1]);
}

std::string identityRequestWords(const Frame&, const PortWords&) {
    return "read identity";
}

std::string addressRequestWords(const Frame& f, const PortWords&) {
    return "change address to " + std::to_string(f.data()[1]);
}

std::string baudRequestWords(const Frame& f, const PortWords&) {
    const std::uint8_t code = f.data()[1];
    return "change baud rate to " + (code < kSetupBaudEntries.size()
                                         ? std::string(kSetupBaudEntries[code])
                                         : "code " + std::to_string(code) + " (unknown)");
}

std::string cycleScenesRequestWords(const Frame& f, const PortWords&) {
    const auto d = f.data();
    const unsigned mask = (unsigned{d[1]} << 8) | d[2];
    std::vector<int> scenes;
    for (int scene = 1; scene <= kScenes; ++scene) {
        if (mask & (1u << (scene - 1))) {
            scenes.push_back(scene);
        }
    }
    if (scenes.empty()) {
        return "cycle no scene";
    }
    return std::string(scenes.size() == 1 ? "cycle scene " : "cycle scenes ") + numberList(scenes);
}

std::string cycleRequestWords(const Frame& f, const PortWords&) {
    const std::uint8_t value = f.data()[1];
    if (value == kCycleStart) {
        return "start cycling";
    }
    if (value == kCycleStop) {
        return "stop cycling";
    }
    return "cycling " + hexValue(value) + " (unknown)";
}

std::string intervalRequestWords(const Frame& f, const PortWords&) {
    return "cycle interval " + std::to_string(f.data()[1]);
}

std::string outputPropertyWords(const Frame& f, const PortWords& ports) {
    const auto d = f.data();
    const std::uint8_t property = d[1];
    const std::string value = std::to_string(d[2]);
    const std::string output = ports.port(PortKind::Output, d[3]);
    switch (property) {
    case output_property::kBrightness:
        return output + " brightness " + value;
    case output_property::kContrast:
        return output + " contrast " + value;
    case output_property::kSaturation:
        return output + " saturation " + value;
    case output_property::kResetAll:
        return output + " reset brightness, contrast and saturation";
    default:
        return output + " property " + hexValue(property) + " value " + value;
    }
}

std::string inputPropertyWords(const Frame& f, const PortWords& ports) {
    const auto d = f.data();
    const std::uint8_t property = d[1];
    const std::uint8_t value = d[2];
    const std::string input = ports.port(PortKind::Input, d[3]);
    switch (property) {
    case input_property::kEdid:
        return input + " EDID " + listEntry(kEdidEntries, value);
    case input_property::kCrop:
        return input + " crop " + listEntry(kCropEntries, value);
    case input_property::kAspectRatio:
        return input + " aspect ratio " + listEntry(kAspectRatioEntries, value);
    case input_property::kAdc:
        return input + " ADC adjustment";
    case input_property::kRead:
        return "read " + input + " properties";
    default:
        return input + " property " + hexValue(property) + " value " + std::to_string(value);
    }
}

// 0x01 and 0x02 replies: the signal code, then (output, input) pairs. A read-back without them
// still ends the controller's wait for one, so it is named rather than shown as unknown.
std::string crosspointWords(const Frame& f, const PortWords& ports) {
    const auto d = f.data();
    const std::string kind = f.command() == command::kSwitch ? "switched" : "read-back";
    if (d.empty()) {
        return kind + ": no data";
    }
    const auto pairBytes = d.subspan(1);
    const std::string signal = signalWords(d[0]);
    if (pairBytes.size() % 2 != 0) {
        return kind + ": odd number of pair bytes (" + std::to_string(pairBytes.size()) + "), " +
               signal;
    }
    const std::size_t pairs = pairBytes.size() / 2;
    if (f.command() == command::kSwitch && pairs == 1) {
        return kind + " " + ports.route(pairBytes[1], pairBytes[0]) + ", " + signal;
    }
    std::string text = kind + ": " + plural(pairs, "pair", "pairs") + ", " + signal;
    // Every pair, at every size: a read-back is what someone watching the line wants to see.
    if (pairs == 0) {
        return text;
    }
    for (std::size_t i = 0; i < pairs; ++i) {
        text += (i == 0 ? ": " : ", ") + ports.route(pairBytes[2 * i + 1], pairBytes[2 * i]);
    }
    return text;
}

// Scene replies echo the scene number when they carry the request's data.
std::string sceneReplyWords(const Frame& f, const PortWords&) {
    const auto d = f.data();
    const std::string scene = d.size() == 2 ? "scene " + std::to_string(d[1]) : "scene";
    return scene + (f.command() == command::kSaveScene ? " saved" : " loaded");
}

std::string identityReplyWords(const Frame& f, const PortWords&) {
    const auto b = f.bytes;
    return "identity: " + codeWords(b[5], "type") + " " + sizeWords(b[7], b[8]) + ", address " +
           std::to_string(b[6]);
}

std::string equipmentReplyWords(const Frame& f, const PortWords&) {
    return "equipment: " + codeWords(f.command(), "type") + " " + sizeWords(f.bytes[4], f.bytes[5]);
}

std::string inputReportWords(const Frame& f, const PortWords& ports) {
    const auto d = f.data();
    return "properties of " + ports.port(PortKind::Input, d[0]) + ": EDID " +
           listEntry(kEdidEntries, d[3]) + ", crop " + listEntry(kCropEntries, d[4]) +
           ", aspect ratio " + listEntry(kAspectRatioEntries, d[5]);
}

// The words of each frame, by command; its shape comes from frameShape.
struct Words {
    std::uint8_t command;
    Decode decode;
};

constexpr Words kRequestWords[] = {
    {command::kSwitch, switchRequestWords},
    {command::kReadSwitch, readRequestWords},
    {command::kSaveScene, saveRequestWords},
    {command::kReadIdentity, identityRequestWords},
    {command::kLoadScene, loadRequestWords},
    {command::kChangeAddress, addressRequestWords},
    {command::kChangeBaud, baudRequestWords},
    {command::kCycleScenes, cycleScenesRequestWords},
    {command::kCycle, cycleRequestWords},
    {command::kCycleInterval, intervalRequestWords},
    {command::kOutputProperty, outputPropertyWords},
    {command::kInputProperty, inputPropertyWords},
};

constexpr Words kReplyWords[] = {
    {command::kSwitch, crosspointWords},
    {command::kReadSwitch, crosspointWords},
    {command::kSaveScene, sceneReplyWords},
    {command::kReadIdentity, identityReplyWords},
    {command::kLoadScene, sceneReplyWords},
    // An echoed input property request reads as the request does.
    {command::kInputProperty, inputPropertyWords},
    {command::kInputPropertiesReport, inputReportWords},
    // Every equipment reply, 0xA0 to 0xA7, has the shape of the first.
    {command::kEquipmentFirst, equipmentReplyWords},
};

// The words of a shape, found by its first command.
Decode wordsFor(FrameDirection direction, std::uint8_t code) {
    const std::span<const Words> table = direction == FrameDirection::Request
                                             ? std::span<const Words>(kRequestWords)
                                             : std::span<const Words>(kReplyWords);
    for (const Words& words : table) {
        if (words.command == code) {
            return words.decode;
        }
    }
    return nullptr;
}

// The bracketed part of the line: address, header, checksum, what follows the frame.
std::string notes(const Frame& f, std::size_t extraBytes) {
    const std::uint8_t address = f.bytes[1];
    std::string text =
        address == kBroadcastAddress ? "all devices" : "device " + std::to_string(address);
    if (f.bytes[0] == kHeader96) {
        text += ", header 96";
    }
    const std::uint8_t sum = checksum(f.bytes.first(f.bytes.size() - 1));
    const bool zeroTrailer = f.shape.trailer == Trailer::ZeroOrSum;
    const bool trailerRight =
        !f.hasTrailer() || f.last() == sum || (zeroTrailer && f.last() == 0x00);
    if (!trailerRight) {
        const std::uint8_t expected = zeroTrailer ? 0x00 : sum;
        text += ", checksum " + hexValue(f.last()) + ", expected " + hexValue(expected);
    }
    if (extraBytes > 0) {
        text += ", " + plural(extraBytes, "byte", "bytes") + " after the frame";
    }
    return " (" + text + ")";
}

} // namespace

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string describeFrame(std::span<const std::uint8_t> bytes, FrameDirection direction,
                          const PortNamer& names) {
    if (bytes.empty()) {
        return "no bytes";
    }
    const std::string unknown = "unknown: " + hexBytes(bytes);
    if (bytes[0] != kHeaderBA && bytes[0] != kHeader96) {
        return unknown;
    }
    if (bytes.size() < 4) {
        return "incomplete, " + plural(bytes.size(), "byte", "bytes") + ": " + hexBytes(bytes);
    }
    const std::size_t whole = std::size_t{bytes[3]} + 4;
    if (bytes.size() < whole) {
        return "incomplete, " + std::to_string(bytes.size()) + " of " + std::to_string(whole) +
               " bytes: " + hexBytes(bytes);
    }
    const auto frameBytes = bytes.first(whole);
    const FrameShape* shape = shapeOf(frameBytes, direction);
    const Decode decode = shape != nullptr ? wordsFor(direction, shape->firstCommand) : nullptr;
    if (decode == nullptr) {
        return unknown;
    }
    const Frame frame{frameBytes, *shape};
    const PortWords ports(names);
    return decode(frame, ports) + notes(frame, bytes.size() - whole);
}

} // namespace controller
