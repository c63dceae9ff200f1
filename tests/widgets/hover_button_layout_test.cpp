#include "widgets/hover_button_layout.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace {

using widgets::centreMeasuredText;
using widgets::layoutHoverButton;

struct LayoutCase {
    const char* name;
    QRect item;
    QSize image;
    bool hasCaption;
    bool pressed;
    QRect expectedImage;
    QRect expectedCaption;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class HoverButtonLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(HoverButtonLayoutTest, PlacesImageAndCaptionArea) {
    const LayoutCase& c = GetParam();
    const widgets::HoverButtonLayout layout =
        layoutHoverButton(c.item, c.image, c.hasCaption, c.pressed);
    if (c.expectedImage.isEmpty())
        EXPECT_TRUE(layout.image.isEmpty());
    else
        EXPECT_EQ(layout.image, c.expectedImage);
    EXPECT_EQ(layout.caption, c.expectedCaption);
}

INSTANTIATE_TEST_SUITE_P(
    Placement, HoverButtonLayoutTest,
    testing::Values(
        // Markers of the grid show the 32 x 32 dot centred on buttons of 40, 30 and 16 pixels.
        LayoutCase{"ImageCentredWithoutCaption", QRect(0, 0, 40, 40), QSize(32, 32), false, false,
                   QRect(4, 4, 32, 32), QRect(0, 0, 40, 40)},
        LayoutCase{"LargerImageCentredWithNegativeOffset", QRect(0, 0, 16, 16), QSize(32, 32),
                   false, false, QRect(-8, -8, 32, 32), QRect(0, 0, 16, 16)},
        LayoutCase{"OddNegativeHalfTruncatesTowardZero", QRect(0, 0, 15, 15), QSize(32, 32), false,
                   false, QRect(-8, -8, 32, 32), QRect(0, 0, 15, 15)},
        LayoutCase{"OddPositiveHalfTruncates", QRect(0, 0, 61, 40), QSize(32, 32), false, false,
                   QRect(14, 4, 32, 32), QRect(0, 0, 61, 40)},
        LayoutCase{"ItemAwayFromOrigin", QRect(10, 20, 60, 30), QSize(16, 16), false, false,
                   QRect(32, 27, 16, 16), QRect(10, 20, 60, 30)},
        // With a caption the image keeps 3 pixels from the left edge and the caption gets the
        // width right of the image.
        LayoutCase{"ImageAtMarginBesideCaption", QRect(0, 0, 100, 40), QSize(32, 32), true, false,
                   QRect(3, 4, 32, 32), QRect(35, 0, 65, 40)},
        LayoutCase{"PressedShiftsImageAndCaption", QRect(0, 0, 100, 40), QSize(32, 32), true, true,
                   QRect(4, 5, 32, 32), QRect(36, 1, 65, 40)},
        LayoutCase{"PressedShiftsCentredImage", QRect(0, 0, 40, 40), QSize(32, 32), false, true,
                   QRect(5, 5, 32, 32), QRect(1, 1, 40, 40)},
        LayoutCase{"CaptionAloneUsesWholeItem", QRect(0, 0, 60, 30), QSize(), true, false, QRect(),
                   QRect(0, 0, 60, 30)},
        LayoutCase{"PressedCaptionAloneShifts", QRect(0, 0, 60, 30), QSize(), true, true, QRect(),
                   QRect(1, 1, 60, 30)}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

struct CentreCase {
    const char* name;
    QRect area;
    QSize measured;
    QRect expected;
};

void PrintTo(const CentreCase& c, std::ostream* os) {
    *os << c.name;
}

class CaptionCentringTest : public testing::TestWithParam<CentreCase> {};

TEST_P(CaptionCentringTest, CentresMeasuredTextInArea) {
    const CentreCase& c = GetParam();
    EXPECT_EQ(centreMeasuredText(c.area, c.measured), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Centring, CaptionCentringTest,
    testing::Values(CentreCase{"EvenMargins", QRect(0, 0, 60, 30), QSize(40, 14),
                               QRect(10, 8, 40, 14)},
                    CentreCase{"OddMarginsTruncate", QRect(35, 0, 65, 40), QSize(30, 13),
                               QRect(52, 13, 30, 13)},
                    CentreCase{"TextWiderThanAreaTruncatesTowardZero", QRect(0, 0, 20, 10),
                               QSize(31, 13), QRect(-5, -1, 31, 13)}),
    [](const testing::TestParamInfo<CentreCase>& info) { return std::string(info.param.name); });

} // namespace
