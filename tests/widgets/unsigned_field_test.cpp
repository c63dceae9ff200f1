#include "widgets/unsigned_field.h"

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

struct FieldCase {
    const char* text;
    std::optional<unsigned> expected;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class UnsignedFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(UnsignedFieldTest, AcceptsDigitsWithBlanksAroundAndNothingElse) {
    EXPECT_EQ(widgets::parseUnsignedField(GetParam().text), GetParam().expected)
        << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, UnsignedFieldTest,
    testing::Values(FieldCase{"8000", 8000u}, FieldCase{"  8000  ", 8000u},
                    FieldCase{"\t4068\r\n", 4068u}, FieldCase{"0", 0u}, FieldCase{"007", 7u},
                    FieldCase{"70000", 70000u}, FieldCase{"4294967295", 4294967295u},
                    FieldCase{"4294967296", std::nullopt},
                    FieldCase{"99999999999999999999", std::nullopt}, FieldCase{"", std::nullopt},
                    FieldCase{"   ", std::nullopt}, FieldCase{"-1", std::nullopt},
                    FieldCase{"-0", std::nullopt}, FieldCase{"+5", std::nullopt},
                    FieldCase{"80a", std::nullopt}, FieldCase{"abc", std::nullopt},
                    FieldCase{"1 2", std::nullopt}, FieldCase{"1.5", std::nullopt},
                    FieldCase{"0x10", std::nullopt}, FieldCase{"\xEF\xBC\x95", std::nullopt}),
    caseName<FieldCase>); // full-width digit five

TEST(UnsignedRangeTest, IncludesBothBounds) {
    EXPECT_FALSE(widgets::isInRange(0, 1, 8));
    EXPECT_TRUE(widgets::isInRange(1, 1, 8));
    EXPECT_TRUE(widgets::isInRange(8, 1, 8));
    EXPECT_FALSE(widgets::isInRange(9, 1, 8));
    EXPECT_TRUE(widgets::isInRange(4294967295u, 0, 4294967295u));
}

TEST(FieldPromptTest, TextsAreTheStandardPromptsWithTheirQuotes) {
    EXPECT_EQ(widgets::notUnsignedPrompt(), "“请填入一个正整数。”");
    EXPECT_EQ(widgets::outOfRangePrompt(1, 8), "“请填入一个在1和8之间的整数。”");
    EXPECT_EQ(widgets::outOfRangePrompt(0, 65535), "“请填入一个在0和65535之间的整数。”");
}

} // namespace
