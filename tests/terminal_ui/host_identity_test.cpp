#include "terminal_setup/ui/host_identity.h"

#include "tests/support/namespace_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using terminal_setup::hostMacText;
using terminal_setup::InterfaceHardware;
using terminal_setup::parseHardwareAddress;

struct MacCase {
    const char* name;
    std::vector<InterfaceHardware> interfaces;
    std::string expected;

    // The case's name stands for it in test listings.
    friend void PrintTo(const MacCase& c, std::ostream* out) { *out << c.name; }
};

class HostMac : public testing::TestWithParam<MacCase> {};

TEST_P(HostMac, IsTheFirstNonLoopbackInterfaceWithAHardwareAddress) {
    EXPECT_EQ(hostMacText(GetParam().interfaces), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostMac,
    testing::Values(
        MacCase{"Ethernet", {{false, "00:1A:2B:3C:4D:5E"}}, "001A－2B3C－4D5E"},
        MacCase{"LowerCaseDigitsShowUpperCase", {{false, "a0:b1:c2:d3:e4:f5"}}, "A0B1－C2D3－E4F5"},
        MacCase{"LoopbackIsPassedOver",
                {{true, "00:00:00:00:00:01"}, {false, "02:00:00:00:00:09"}},
                "0200－0000－0009"},
        MacCase{"InterfaceWithoutAddressIsPassedOver",
                {{false, ""}, {false, "00:00:00:00:00:00"}, {false, "02:42:AC:11:00:02"}},
                "0242－AC11－0002"},
        MacCase{"FirstQualifyingInterfaceWins",
                {{false, "11:22:33:44:55:66"}, {false, "77:88:99:AA:BB:CC"}},
                "1122－3344－5566"},
        MacCase{"LongerHardwareAddressesAreNotMacs",
                {{false, "80:00:02:08:FE:80:00:00:00:00:00:00:00:00:00:00:00:00:00:01"}},
                ""},
        MacCase{"NothingQualifies", {}, ""}),
    [](const testing::TestParamInfo<MacCase>& info) { return std::string(info.param.name); });

TEST(HardwareAddress, RefusesEverySpellingButSixColonSeparatedHexPairs) {
    for (const char* bad : {"", "00:1A:2B:3C:4D", "00-1A-2B-3C-4D-5E", "001A2B3C4D5E",
                            "00:1A:2B:3C:4D:5G", "00:1A:2B:3C:4D:5E:", " 00:1A:2B:3C:4D:5E"})
        EXPECT_FALSE(parseHardwareAddress(bad)) << bad;
    EXPECT_EQ(parseHardwareAddress("ff:00:7f:80:01:fe"),
              (std::vector<unsigned char>{0xFF, 0x00, 0x7F, 0x80, 0x01, 0xFE}));
}

TEST(HostIdentity, InThePrivateNamespaceHasTheHostNameAndNoMac) {
    // Only loopback there, so no interface has a MAC; and a name missing from the hosts file
    // cannot send a query anywhere.
    REQUIRE_PRIVATE_NETWORK_NAMESPACE();
    char name[256] = {};
    ASSERT_EQ(::gethostname(name, sizeof name - 1), 0);

    const terminal_setup::HostIdentity host = terminal_setup::findHostIdentity();

    EXPECT_TRUE(host.nameFound);
    EXPECT_EQ(host.name, name);
    EXPECT_EQ(host.mac, "");
}

} // namespace
