#include "terminal_setup/protocol/interface_choice.h"

#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace terminal_setup;

NetworkInterface card(const char* name, const char* address, bool up = true) {
    NetworkInterface made;
    made.name = name;
    made.up = up;
    made.running = up;
    made.multicast = true;
    if (*address)
        made.ipv4.push_back({address, 24, ""});
    return made;
}

NetworkInterface loopback() {
    NetworkInterface made = card("lo", "127.0.0.1");
    made.loopback = true;
    made.ipv4.front().prefixLength = 8;
    return made;
}

NetworkInterface withoutMulticast(NetworkInterface made) {
    made.multicast = false;
    return made;
}

struct ChoiceCase {
    const char* what;
    std::vector<NetworkInterface> machine;
    std::string remembered;
    std::string defaultRoute;
    std::vector<std::string> listed;
    std::string chosen;

    friend void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.what; }
};

class InterfaceChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(InterfaceChoice, ListsUsableInterfacesAndTakesRememberedThenDefaultRouteThenFirst) {
    const std::vector<NetworkInterface> usable = usableInterfaces(GetParam().machine);
    std::vector<std::string> listed;
    for (const NetworkInterface& c : usable)
        listed.push_back(interfaceLabel(c));
    EXPECT_EQ(listed, GetParam().listed);
    EXPECT_EQ(chooseInterface(usable, GetParam().remembered, GetParam().defaultRoute),
              GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, InterfaceChoice,
    testing::Values(
        ChoiceCase{"laptop on Wi-Fi with a cable to the terminals",
                   {loopback(), card("wlp2s0", "192.0.2.34"), card("enp3s0", "198.51.100.10")},
                   "",
                   "wlp2s0",
                   {"192.0.2.34 (wlp2s0)", "198.51.100.10 (enp3s0)"},
                   "wlp2s0"},
        ChoiceCase{"the cable remembered from last time",
                   {loopback(), card("wlp2s0", "192.0.2.34"), card("enp3s0", "198.51.100.10")},
                   "enp3s0",
                   "wlp2s0",
                   {"192.0.2.34 (wlp2s0)", "198.51.100.10 (enp3s0)"},
                   "enp3s0"},
        ChoiceCase{"remembered card unplugged for good, no default route",
                   {card("docker0", "203.0.113.1"), card("enp3s0", "198.51.100.10"),
                    card("usb0", "192.0.2.9", false)},
                   "usb0",
                   "",
                   {"203.0.113.1 (docker0)", "198.51.100.10 (enp3s0)"},
                   "docker0"},
        ChoiceCase{"default route through a tunnel that cannot multicast",
                   {withoutMulticast(card("tun0", "203.0.113.7")), card("enp3s0", "198.51.100.10")},
                   "",
                   "tun0",
                   {"198.51.100.10 (enp3s0)"},
                   "enp3s0"},
        ChoiceCase{"a card without IPv4 address is not listed",
                   {loopback(), card("enp3s0", ""), card("enp4s0", "192.0.2.40")},
                   "enp3s0",
                   "",
                   {"192.0.2.40 (enp4s0)"},
                   "enp4s0"},
        ChoiceCase{"loopback only when it is the only one",
                   {loopback(), card("enp3s0", "192.0.2.40", false)},
                   "",
                   "",
                   {"127.0.0.1 (lo)"},
                   "lo"},
        ChoiceCase{"nothing usable", {withoutMulticast(loopback())}, "lo", "lo", {}, ""}),
    [](const testing::TestParamInfo<ChoiceCase>& info) {
        return terminal_test::caseName(info.param.what);
    });

TEST(InterfaceChoice, AnInterfaceWithoutLinkIsStillListedForACableToComeLater) {
    NetworkInterface unplugged = card("enp3s0", "198.51.100.10");
    unplugged.running = false;
    EXPECT_EQ(usableInterfaces({loopback(), unplugged}).size(), 1u);
    EXPECT_EQ(interfaceLabel(card("enp3s0", "")), "(enp3s0)");
}

TEST(DefaultRoute, IsTheUpRouteToEverywhereWithTheLowestMetric) {
    const std::string header =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU"
        "\tWindow\tIRTT\n";
    auto route = [](const char* name, const char* destination, const char* flags,
                    const char* metric, const char* mask) {
        return std::string(name) + "\t" + destination + "\t010200C0\t" + flags + "\t0\t0\t" +
               metric + "\t" + mask + "\t0\t0\t0\n";
    };
    EXPECT_EQ(defaultRouteInterface(header + route("enp3s0", "0002000C", "0001", "0", "00FFFFFF") +
                                    route("wlp2s0", "00000000", "0003", "600", "00000000") +
                                    route("enp3s0", "00000000", "0003", "100", "00000000")),
              "enp3s0");
    EXPECT_EQ(defaultRouteInterface(header + route("wg0", "00000000", "0002", "0", "00000000")), "")
        << "a route that is not up";
    EXPECT_EQ(defaultRouteInterface(header + route("eth0", "00000000", "0003", "x", "00000000")),
              "");
    EXPECT_EQ(defaultRouteInterface(header + "eth0 00000000 broken\n"), "");
    EXPECT_EQ(defaultRouteInterface(""), "");
}

struct MacCase {
    const char* hardwareAddress;
    const char* shown;
};

class InterfaceMac : public testing::TestWithParam<MacCase> {};

TEST_P(InterfaceMac, IsShownInThreeGroupsWhenItIsSixBytesNotAllZero) {
    EXPECT_EQ(macText(GetParam().hardwareAddress), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, InterfaceMac,
    testing::Values(MacCase{"00:1A:2B:3C:4D:5E", "001A－2B3C－4D5E"},
                    MacCase{"a0:b1:c2:d3:e4:f5", "A0B1－C2D3－E4F5"},
                    MacCase{"00:00:00:00:00:00", ""}, MacCase{"", ""},
                    MacCase{"80:00:02:08:FE:80:00:00:00:00:00:00:00:00:00:00:00:00:00:01", ""},
                    MacCase{"00-1A-2B-3C-4D-5E", ""}, MacCase{"00:1A:2B:3C:4D:5G", ""},
                    MacCase{"00:1A:2B:3C:4D:5E:", ""}, MacCase{" 00:1A:2B:3C:4D:5E", ""}));

struct DestinationCase {
    const char* dotted;
    bool unusable;
};

class TestDestination : public testing::TestWithParam<DestinationCase> {};

TEST_P(TestDestination, RefusesThisHostEveryoneAndEveryLocalBroadcast) {
    NetworkInterface office = card("enp3s0", "192.0.2.10");
    office.ipv4.front().broadcast = "192.0.2.255";
    NetworkInterface small = card("enp4s0", "198.51.100.7");
    small.ipv4.front().prefixLength = 25; // the system reports no broadcast address for it
    NetworkInterface pointToPoint = card("ppp0", "203.0.113.5");
    pointToPoint.ipv4.front().prefixLength = 32;
    EXPECT_EQ(
        isUnusableTestDestination(GetParam().dotted, {loopback(), office, small, pointToPoint}),
        GetParam().unusable);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, TestDestination,
    testing::Values(DestinationCase{"0.0.0.0", true}, DestinationCase{"255.255.255.255", true},
                    DestinationCase{"192.0.2.255", true}, DestinationCase{"198.51.100.127", true},
                    DestinationCase{"127.255.255.255", true}, DestinationCase{"", true},
                    DestinationCase{"not an address", true}, DestinationCase{"192.0.2.20", false},
                    DestinationCase{"198.51.100.255", false}, DestinationCase{"203.0.113.5", false},
                    DestinationCase{"127.0.0.1", false}));

} // namespace
