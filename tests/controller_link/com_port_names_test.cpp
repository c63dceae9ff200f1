#include "controller/link/com_port_names.h"
#include "controller/link/system_serial_ports.h"
#include "platform/profile.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using controller::SerialPortRecord;
using test_support::TempDir;
using Texts = std::vector<std::string>;

const std::string kByIdA = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kByIdB = "/dev/serial/by-id/usb-Prolific_USB-Serial_Controller_D-if00-port0";
const SerialPortRecord kFtdi{"/dev/ttyUSB1", kByIdA,     "FT232R USB UART",
                             "FTDI",         "A50285BI", "0403:6001"};
const SerialPortRecord kProlific{"/dev/ttyUSB0", kByIdB, "USB-Serial Controller D",
                                 "Prolific",     "",     "067b:2303"};
const SerialPortRecord kOnBoard2{"/dev/ttyS2", "/dev/ttyS2", "", "", "", ""};
const SerialPortRecord kOnBoard10{"/dev/ttyS10", "/dev/ttyS10", "", "", "", ""};

Texts entryTexts(const controller::ComPortEntries& entries) {
    Texts texts;
    for (const auto& entry : entries)
        texts.push_back(controller::comPortEntryText(entry));
    return texts;
}

struct MappingCase {
    const char* name;
    std::string ports; // lines of section Ports ("@" stands for the test's folder)
    std::vector<SerialPortRecord> machine;
    Texts shown;                    // what COM1, COM2, ... show in brackets, as far as given
    const char* rest;               // what the other entries show
    std::vector<std::string> paths; // of COM1, COM2, ... as far as given
};

void PrintTo(const MappingCase& c, std::ostream* os) {
    *os << c.name;
}

// The case's text with "@" replaced by the test's folder.
std::string inFolder(std::string text, const TempDir& dir) {
    for (std::size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, dir.path());
    return text;
}

class ComPortMapping : public testing::TestWithParam<MappingCase> {};

TEST_P(ComPortMapping, KeysWinAndTheMachinesPortsFillTheRestInStableOrder) {
    TempDir dir;
    TempDir::writeFile(dir.file("present"), "");
    const std::string ports = inFolder(GetParam().ports, dir);
    const std::string ini = dir.file("Setting.ini");
    TempDir::writeFile(ini, "[SYSTEM_SET]\r\nCOM1=/nowhere\r\n[ports]\r\n" + ports);
    int asked = 0;
    const auto entries = controller::mapComPorts(
        [&] {
            ++asked;
            return GetParam().machine;
        },
        [&](int n) {
            return platform::getProfileString("Ports", "COM" + std::to_string(n), "", 255, ini);
        });
    Texts expected;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const auto& shown = GetParam().shown;
        expected.push_back("COM" + std::to_string(k + 1) + " (" +
                           inFolder(k < shown.size() ? shown[k] : GetParam().rest, dir) + ")");
    }
    EXPECT_EQ(entryTexts(entries), expected);
    for (std::size_t k = 0; k < GetParam().paths.size(); ++k)
        EXPECT_EQ(entries[k].path, inFolder(GetParam().paths[k], dir)) << "COM" << k + 1;
    // The machine is asked only when some entry has no key.
    const bool allKeyed =
        std::all_of(entries.begin(), entries.end(), [](const auto& e) { return e.fromSettings; });
    EXPECT_EQ(asked, allKeyed ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComPortMapping,
    testing::Values(MappingCase{"NoKeysNoDevices", "", {}, {}, "no device", {"", ""}},
                    // By-id names first, in name order; then device paths with numbers by value.
                    MappingCase{"DevicesInStableNameOrder",
                                "COM3=\r\n",
                                {kOnBoard10, kProlific, kOnBoard2, kFtdi},
                                {"ttyUSB1", "ttyUSB0", "ttyS2", "ttyS10"},
                                "no device",
                                {kByIdA, kByIdB, "/dev/ttyS2", "/dev/ttyS10", ""}},
                    // A key naming a device by either name takes it out of the others' turn.
                    MappingCase{"KeyedDeviceIsNotOfferedTwice",
                                "com2=" + kByIdA + "\r\nCOM4=/dev/ttyS2\r\nCOM5=@/present\r\n",
                                {kOnBoard2, kFtdi, kProlific},
                                {"ttyUSB0", "ttyUSB1", "no device", "ttyS2", "@/present"},
                                "no device",
                                {kByIdB, kByIdA, "", "/dev/ttyS2"}},
                    MappingCase{
                        "EveryEntryKeyed",
                        "COM1=@/present\r\nCOM2=@/gone\r\nCOM3=/a\r\nCOM4=/a\r\nCOM5=/a\r\n"
                        "COM6=/a\r\nCOM7=/a\r\nCOM8=/a\r\nCOM9 = /tmp/x y \r\n",
                        {kFtdi},
                        {"@/present"},
                        "not present",
                        {"@/present", "@/gone", "/a", "/a", "/a", "/a", "/a", "/a", "/tmp/x y"}}),
    [](const testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

TEST(StableName, IsTheFirstByIdLinkToTheDeviceElseItsOwnPath) {
    namespace fs = std::filesystem;
    TempDir dir;
    TempDir::writeFile(dir.file("ttyUSB7"), "");
    TempDir::writeFile(dir.file("ttyUSB8"), "");
    fs::create_directory(dir.file("by-id"));
    fs::create_symlink(dir.file("ttyUSB7"), dir.file("by-id/usb-b"));
    fs::create_symlink("../ttyUSB7", dir.file("by-id/usb-a"));
    fs::create_symlink(dir.file("gone"), dir.file("by-id/usb-0"));
    EXPECT_EQ(controller::stableNameFor(dir.file("ttyUSB7"), dir.file("by-id")),
              dir.file("by-id/usb-a"));
    EXPECT_EQ(controller::stableNameFor(dir.file("ttyUSB8"), dir.file("by-id")),
              dir.file("ttyUSB8"));
    EXPECT_EQ(controller::stableNameFor(dir.file("ttyUSB7"), dir.file("none")),
              dir.file("ttyUSB7"));
}

} // namespace
