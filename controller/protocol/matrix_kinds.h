#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace controller {

// The codes a device reports as its type in identity and equipment replies, and that switch
// and read requests carry as the signal layer.
namespace signal_code {
inline constexpr std::uint8_t kVga = 0xA0;
inline constexpr std::uint8_t kVideo = 0xA1;
inline constexpr std::uint8_t kAudio = 0xA2;
inline constexpr std::uint8_t kVgaAudio = 0xA3;
inline constexpr std::uint8_t kAv = 0xA4;
inline constexpr std::uint8_t kDvi = 0xA5;
inline constexpr std::uint8_t kHdmi = 0xA6;
inline constexpr std::uint8_t kSdi = 0xA7;
inline constexpr std::uint8_t kHybrid = 0xA8;
} // namespace signal_code

// The AV mode radio buttons: 0 "Video + Audio", 1 "Video", 2 "Audio".
inline constexpr int kAvModeCount = 3;

// One entry of the matrix type list. Its position in kMatrixKinds is the MatrixType setting.
struct MatrixKind {
    std::string_view name;      // the list entry and the name its type code has: "HDMI Matrix"
    std::string_view shortName; // what the command line and settings also take: "HDMI"
    std::uint8_t typeCode;      // what a device of this kind reports as its type
    // The signal code of each AV mode. A kind without separate layers uses the first whatever
    // the mode; the others repeat it so that the row reads as the whole table does.
    std::array<std::uint8_t, kAvModeCount> signalCodes;
    bool avLayers;        // the AV mode radio buttons choose a layer
    bool videoProperties; // the Setup dialog may set each output's brightness, contrast, ...
};

// The matrix type list, in its order. A hybrid matrix reports 0xA8 but is switched with the
// HDMI code: 0xA8 only names it.
inline constexpr std::array<MatrixKind, 6> kMatrixKinds{{
    {"AV Matrix",
     "AV",
     signal_code::kAv,
     {signal_code::kAv, signal_code::kVideo, signal_code::kAudio},
     true,
     false},
    {"VGA Matrix",
     "VGA",
     signal_code::kVga,
     {signal_code::kVgaAudio, signal_code::kVga, signal_code::kAudio},
     true,
     false},
    {"DVI Matrix",
     "DVI",
     signal_code::kDvi,
     {signal_code::kDvi, signal_code::kDvi, signal_code::kDvi},
     false,
     false},
    {"HDMI Matrix",
     "HDMI",
     signal_code::kHdmi,
     {signal_code::kHdmi, signal_code::kHdmi, signal_code::kHdmi},
     false,
     false},
    {"SDI Matrix",
     "SDI",
     signal_code::kSdi,
     {signal_code::kSdi, signal_code::kSdi, signal_code::kSdi},
     false,
     false},
    {"Hybrid matrix",
     "Hybrid",
     signal_code::kHybrid,
     {signal_code::kHdmi, signal_code::kHdmi, signal_code::kHdmi},
     false,
     true},
}};

// The signal code for a MatrixType outside the list.
inline constexpr std::uint8_t kUnlistedTypeSignal = signal_code::kVideo;
// The signal code for a kind with layers and an AV mode outside 0..2.
inline constexpr std::uint8_t kUnlistedModeSignal = 0x00;

// The name of every type code, as identity and equipment replies show it.
struct TypeCodeName {
    std::uint8_t code;
    std::string_view name;
};
inline constexpr std::array<TypeCodeName, 9> kTypeCodeNames{{
    {signal_code::kVga, "VGA Matrix"},
    {signal_code::kVideo, "Video Matrix"},
    {signal_code::kAudio, "Audio Matrix"},
    {signal_code::kVgaAudio, "VGA+Audio Matrix"},
    {signal_code::kAv, "AV Matrix"},
    {signal_code::kDvi, "DVI Matrix"},
    {signal_code::kHdmi, "HDMI Matrix"},
    {signal_code::kSdi, "SDI Matrix"},
    {signal_code::kHybrid, "Hybrid matrix"},
}};

// The size list: its position is the MatrixSize setting.
struct MatrixSize {
    int ports;              // inputs, and as many outputs
    std::string_view entry; // the main window's list entry
};
inline constexpr std::array<MatrixSize, 4> kMatrixSizes{{
    {4, "4 * 4 SW-MATRIX"},
    {8, "8 * 8 SW-MATRIX"},
    {16, "16*16 SW-MATRIX"},
    {32, "32*32 SW-MATRIX"},
}};

// The main window's baud list: its position is the SelectBAUD setting. (The Setup dialog's list
// of the device's rates is another one, in another order: see setup_lists.h.)
inline constexpr std::array<int, 4> kBaudRates{2400, 4800, 9600, 19200};
// What a SelectBAUD the list does not have opens at.
inline constexpr int kFallbackBaud = 9600;

// The kind at a MatrixType value; nullptr outside the list.
const MatrixKind* matrixKindAt(int matrixType);

// The MatrixType value of a row of kMatrixKinds.
int matrixTypeOf(const MatrixKind& kind);

// The kind named by `text`: its name or short name in any letter case ("hdmi", "HDMI Matrix"),
// or the type code it reports written in hex ("A6", "0xa6"). nullptr for anything else.
const MatrixKind* findMatrixKind(std::string_view text);

// The type code `text` names, for a device that reports it: a kind as findMatrixKind takes it
// (its type code), the name of any type code ("Video Matrix" is 0xA1), or any byte in hex
// ("55", "0x55") for a device of an unknown type. nullopt for anything else.
std::optional<std::uint8_t> typeCodeFromText(std::string_view text);

// The name of a type code ("HDMI Matrix" for 0xA6); empty for a byte without one.
std::string_view typeCodeName(std::uint8_t code);

// Whether the AV mode chooses a layer for this MatrixType; false outside the list.
bool hasAvLayers(int matrixType);

// Whether the Setup dialog's output video properties apply to this MatrixType.
bool hasVideoProperties(int matrixType);

// The port count of a MatrixSize value; nullopt outside the list.
std::optional<int> portsOfSizeIndex(int sizeIndex);

// The MatrixSize value of a port count (4, 8, 16, 32); nullopt for any other count.
std::optional<int> sizeIndexOfPorts(int ports);

// The rate of a SelectBAUD value; kFallbackBaud for a value the list does not have.
int baudForIndex(int baudIndex);

// The SelectBAUD value of a rate; nullopt for a rate the list does not have.
std::optional<int> baudIndexOfRate(int rate);

} // namespace controller
