#include "widgets/ipv4_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

// A test name made of the case's position and the letters and digits of its text.
template <typename Case>
std::string caseName(const testing::TestParamInfo<Case>& info) {
    std::string name = "Case" + std::to_string(info.index) + "_";
    for (const char* p = info.param.text; *p; ++p) {
        const char c = *p;
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        name += alnum ? c : '_';
    }
    return name;
}

using widgets::Ipv4Bytes;

struct ParseCase {
    const char* text;
    std::optional<Ipv4Bytes> expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class DottedIpv4ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(DottedIpv4ParseTest, ReadsOnlyDecimalDottedQuads) {
    EXPECT_EQ(widgets::parseDottedIpv4(GetParam().text), GetParam().expected)
        << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DottedIpv4ParseTest,
    testing::Values(ParseCase{"192.168.1.200", Ipv4Bytes{192, 168, 1, 200}},
                    ParseCase{"0.0.0.0", Ipv4Bytes{0, 0, 0, 0}},
                    ParseCase{"255.255.255.255", Ipv4Bytes{255, 255, 255, 255}},
                    ParseCase{"224.0.0.41", Ipv4Bytes{224, 0, 0, 41}},
                    ParseCase{"  10.0.0.1\t", Ipv4Bytes{10, 0, 0, 1}},
                    ParseCase{"010.001.000.099", Ipv4Bytes{10, 1, 0, 99}},
                    ParseCase{"", std::nullopt}, ParseCase{"   ", std::nullopt},
                    ParseCase{"256.1.1.1", std::nullopt}, ParseCase{"1.1.1.999", std::nullopt},
                    ParseCase{"1.2.3", std::nullopt}, ParseCase{"10.1", std::nullopt},
                    ParseCase{"1.2.3.4.5", std::nullopt}, ParseCase{"1..3.4", std::nullopt},
                    ParseCase{"1.2.3.", std::nullopt}, ParseCase{".1.2.3", std::nullopt},
                    ParseCase{"0001.2.3.4", std::nullopt}, ParseCase{"-1.2.3.4", std::nullopt},
                    ParseCase{"+1.2.3.4", std::nullopt}, ParseCase{"0x7f.0.0.1", std::nullopt},
                    ParseCase{"1.2.3.4x", std::nullopt}, ParseCase{"1. 2.3.4", std::nullopt},
                    ParseCase{"abc", std::nullopt}),
    caseName<ParseCase>);

TEST(Ipv4TextTest, TextThatIsNotAnAddressBecomesAllOnes) {
    EXPECT_EQ(widgets::ipv4FromText("not an address"), (Ipv4Bytes{255, 255, 255, 255}));
    EXPECT_EQ(widgets::ipv4FromText(""), (Ipv4Bytes{255, 255, 255, 255}));
    EXPECT_EQ(widgets::ipv4FromText("192.168.0.7"), (Ipv4Bytes{192, 168, 0, 7}));
}

TEST(Ipv4TextTest, FormatsFirstNumberFirstWithoutPadding) {
    EXPECT_EQ(widgets::formatIpv4({192, 168, 1, 200}), "192.168.1.200");
    EXPECT_EQ(widgets::formatIpv4({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(widgets::formatIpv4({1, 20, 255, 3}), "1.20.255.3");
}

} // namespace
