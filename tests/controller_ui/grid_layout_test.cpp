#include "controller/ui/grid_layout.h"

#include <gtest/gtest.h>

namespace controller {
namespace {

struct SizeCase {
    int matrixSize;
    int ports;
    int markerSize;
    PortRecord firstInput;
    PortRecord lastInput;
    PortRecord firstOutput;
    PortRecord secondOutput;
    GridLine firstRowLine;
    GridLine secondColumnLine;
};

using Kind = PortRecord::Kind;

class GridLayoutBySize : public testing::TestWithParam<SizeCase> {};

TEST_P(GridLayoutBySize, PlacesRecordsLinesAndMarkersAsTheTableSays) {
    const SizeCase& c = GetParam();
    GridLayout layout = layoutGrid(c.matrixSize);
    ASSERT_EQ(layout.portCount, c.ports);
    ASSERT_EQ(layout.inputs.size(), static_cast<std::size_t>(c.ports));
    ASSERT_EQ(layout.outputs.size(), static_cast<std::size_t>(c.ports));
    ASSERT_EQ(layout.lines.size(), static_cast<std::size_t>(2 * c.ports));
    EXPECT_EQ(layout.markerSize, c.markerSize);
    EXPECT_EQ(layout.inputs.front(), c.firstInput);
    EXPECT_EQ(layout.inputs.back(), c.lastInput);
    EXPECT_EQ(layout.outputs[0], c.firstOutput);
    EXPECT_EQ(layout.outputs[1], c.secondOutput);
    EXPECT_EQ(layout.lines[0], c.firstRowLine);
    EXPECT_EQ(layout.lines[static_cast<std::size_t>(c.ports) + 1], c.secondColumnLine);
}

TEST_P(GridLayoutBySize, LinesEndWhereTheirLabelsBegin) {
    GridLayout layout = layoutGrid(GetParam().matrixSize);
    const std::size_t n = layout.inputs.size();
    for (std::size_t k = 0; k < n; ++k) {
        const GridLine& row = layout.lines[k];
        const PortRecord& in = layout.inputs[k];
        EXPECT_EQ(row.to.x, in.label.left) << "row " << k;
        EXPECT_GT(row.to.y, in.label.top);
        EXPECT_LT(row.to.y, in.label.bottom());
        const GridLine& column = layout.lines[n + k];
        const PortRecord& out = layout.outputs[k];
        EXPECT_EQ(column.to.y, out.label.top) << "column " << k;
        EXPECT_GT(column.to.x, out.label.left);
        EXPECT_LT(column.to.x, out.label.right());
    }
}

bool overlap(const GridRect& a, const GridRect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

TEST_P(GridLayoutBySize, NoTwoLabelsOverlap) {
    GridLayout layout = layoutGrid(GetParam().matrixSize);
    std::vector<GridRect> labels;
    for (const auto& r : layout.inputs)
        labels.push_back(r.label);
    for (const auto& r : layout.outputs)
        labels.push_back(r.label);
    for (std::size_t a = 0; a < labels.size(); ++a)
        for (std::size_t b = a + 1; b < labels.size(); ++b)
            EXPECT_FALSE(overlap(labels[a], labels[b])) << "labels " << a << " and " << b;
}

TEST_P(GridLayoutBySize, EveryCrossingHitsItsOwnRowAndColumnAndCentresItsMarker) {
    GridLayout layout = layoutGrid(GetParam().matrixSize);
    for (int k = 0; k < layout.portCount; ++k) {
        const int c = layout.inputs[static_cast<std::size_t>(k)].centre;
        EXPECT_EQ(layout.findRow(c), k);
        EXPECT_EQ(layout.findColumn(layout.outputs[static_cast<std::size_t>(k)].centre), k);
        GridRect m = layout.markerRect(k, k);
        EXPECT_EQ(m.left + m.width / 2, layout.outputs[static_cast<std::size_t>(k)].centre);
        EXPECT_EQ(m.top + m.height / 2, c);
    }
}

// Values read off the layout table: centres, start, line ends, pen, label size and place,
// band and marker for each size.
INSTANTIATE_TEST_SUITE_P(
    AllSizes, GridLayoutBySize,
    testing::Values(SizeCase{0,
                             4,
                             40,
                             {{550, 65, 60, 30}, 15, 145, 80, Kind::InputRow},
                             {{550, 455, 60, 30}, 405, 535, 470, Kind::InputRow},
                             {{50, 550, 60, 30}, 15, 145, 80, Kind::OutputColumn},
                             {{180, 550, 60, 30}, 145, 275, 210, Kind::OutputColumn},
                             {{80, 80}, {550, 80}, 3},
                             {{210, 80}, {210, 550}, 3}},
                    SizeCase{1,
                             8,
                             30,
                             {{580, 70, 50, 20}, 45, 110, 80, Kind::InputRow},
                             {{580, 525, 50, 20}, 500, 565, 535, Kind::InputRow},
                             {{55, 580, 50, 20}, 45, 110, 80, Kind::OutputColumn},
                             {{120, 580, 50, 20}, 110, 175, 145, Kind::OutputColumn},
                             {{80, 80}, {580, 80}, 3},
                             {{145, 80}, {145, 580}, 3}},
                    SizeCase{2,
                             16,
                             30,
                             {{610, 50, 50, 20}, 43, 77, 60, Kind::InputRow},
                             {{610, 560, 50, 20}, 553, 587, 570, Kind::InputRow},
                             {{35, 600, 50, 20}, 43, 77, 60, Kind::OutputColumn},
                             {{69, 630, 50, 20}, 77, 111, 94, Kind::OutputColumn},
                             {{60, 60}, {610, 60}, 2},
                             {{94, 60}, {94, 630}, 2}},
                    SizeCase{3,
                             32,
                             16,
                             {{680, 33, 35, 15}, 30, 50, 40, Kind::InputRow},
                             {{680, 653, 35, 15}, 650, 670, 660, Kind::InputRow},
                             {{23, 670, 35, 15}, 30, 50, 40, Kind::OutputColumn},
                             {{43, 692, 35, 15}, 50, 70, 60, Kind::OutputColumn},
                             {{40, 40}, {680, 40}, 1},
                             {{60, 40}, {60, 692}, 1}}));

TEST(GridHitTest, BandBoundsBelongToNeitherNeighbour) {
    GridLayout four = layoutGrid(0);
    EXPECT_EQ(four.findRow(80), 0);
    EXPECT_EQ(four.findColumn(145), kNoPort); // between columns 0 and 1
    EXPECT_EQ(four.findColumn(146), 1);
    EXPECT_EQ(four.findColumn(144), 0);
    EXPECT_EQ(four.findColumn(15), kNoPort);
    EXPECT_EQ(four.findColumn(535), kNoPort); // past the last band

    GridLayout eight = layoutGrid(1);
    EXPECT_EQ(eight.findRow(110), kNoPort);
    EXPECT_EQ(eight.findRow(109), 0);
    EXPECT_EQ(eight.findRow(111), 1);
}

TEST(GridHitTest, FrameContainsOnlyPointsStrictlyInside) {
    GridRect frame{10, 4, 720, 716};
    EXPECT_TRUE(frame.strictlyContains(11, 5));
    EXPECT_FALSE(frame.strictlyContains(10, 100));
    EXPECT_FALSE(frame.strictlyContains(100, 4));
    EXPECT_FALSE(frame.strictlyContains(730, 100));
    EXPECT_FALSE(frame.strictlyContains(100, 720));
    EXPECT_TRUE(frame.strictlyContains(729, 719));
}

TEST(GridLayout, SixteenOutputsPutLabelsAtTwoHeights) {
    GridLayout layout = layoutGrid(2);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(layout.outputs[static_cast<std::size_t>(k)].label.top, k % 2 == 0 ? 600 : 630)
            << "OUT" << k + 1;
}

TEST(GridLayout, SizeOutsideTheListFallsBackToFourByFour) {
    for (int size : {-1, 4, 99}) {
        GridLayout layout = layoutGrid(size);
        EXPECT_EQ(layout.matrixSize, 0);
        EXPECT_EQ(layout.portCount, 4);
        EXPECT_EQ(layout.inputs, layoutGrid(0).inputs);
    }
}

TEST(GridLayout, MarkerOfOutputSitsOnTheInputsRow) {
    EXPECT_EQ(layoutGrid(0).markerRect(1, 2), (GridRect{190, 320, 40, 40}));
    EXPECT_EQ(layoutGrid(1).markerRect(7, 0), (GridRect{520, 65, 30, 30}));
    EXPECT_EQ(layoutGrid(3).markerRect(31, 31), (GridRect{652, 652, 16, 16}));
}

TEST(GridLabels, CaptionsCountFromOneAndUseLowerCaseAtThirtyTwoOutputs) {
    EXPECT_EQ(inputLabelText(0), "IN01");
    EXPECT_EQ(inputLabelText(31), "IN32");
    EXPECT_EQ(outputLabelText(0, 4), "OUT01");
    EXPECT_EQ(outputLabelText(15, 16), "OUT16");
    EXPECT_EQ(outputLabelText(0, 32), "out01");
    EXPECT_EQ(outputLabelText(31, 32), "out32");
}

} // namespace
} // namespace controller
