#include "controller/ui/grid_layout.h"

#include <array>
#include <cstdio>

namespace controller {

namespace {

// One row of the layout table. Rows and columns share centres, start and band; only the line
// ends and the label placement differ between them.
struct SizeGeometry {
    int ports;
    int firstCentre;
    int spacing;
    int start;
    int rowLineEnd;
    int columnEndEven; // the column end alternates at 16 and 32 ports so that
    int columnEndOdd;  // neighbouring output labels sit at two heights
    int penWidth;
    int labelWidth;
    int labelHeight;
    int bandBelow; // band is (centre - bandBelow, centre + bandAbove)
    int bandAbove;
    int markerSize;
};

constexpr std::array<SizeGeometry, 4> kSizes{{
    {4, 80, 130, 80, 550, 550, 550, 3, 60, 30, 65, 65, 40},
    {8, 80, 65, 80, 580, 580, 580, 3, 50, 20, 35, 30, 30},
    {16, 60, 34, 60, 610, 600, 630, 2, 50, 20, 17, 17, 30},
    {32, 40, 20, 40, 680, 670, 692, 1, 35, 15, 10, 10, 16},
}};

int findBand(const std::vector<PortRecord>& records, int coordinate) {
    for (std::size_t k = 0; k < records.size(); ++k) {
        if (records[k].inBand(coordinate))
            return static_cast<int>(k);
    }
    return kNoPort;
}

} // namespace

int GridLayout::findRow(int y) const {
    return findBand(inputs, y);
}

int GridLayout::findColumn(int x) const {
    return findBand(outputs, x);
}

GridRect GridLayout::markerRect(int output, int input) const {
    const int half = markerSize / 2;
    return {outputs.at(static_cast<std::size_t>(output)).centre - half,
            inputs.at(static_cast<std::size_t>(input)).centre - half, markerSize, markerSize};
}

GridLayout layoutGrid(int matrixSize) {
    if (matrixSize < 0 || matrixSize > 3)
        matrixSize = 0;
    const SizeGeometry& g = kSizes[static_cast<std::size_t>(matrixSize)];

    GridLayout layout;
    layout.matrixSize = matrixSize;
    layout.portCount = g.ports;
    layout.markerSize = g.markerSize;
    layout.inputs.reserve(static_cast<std::size_t>(g.ports));
    layout.outputs.reserve(static_cast<std::size_t>(g.ports));
    layout.lines.reserve(static_cast<std::size_t>(2 * g.ports));

    for (int k = 0; k < g.ports; ++k) {
        const int c = g.firstCentre + g.spacing * k;
        PortRecord row;
        row.kind = PortRecord::Kind::InputRow;
        row.centre = c;
        row.bandLow = c - g.bandBelow;
        row.bandHigh = c + g.bandAbove;
        row.label = {g.rowLineEnd, c - g.labelHeight / 2, g.labelWidth, g.labelHeight};
        layout.inputs.push_back(row);
        layout.lines.push_back({{g.start, c}, {g.rowLineEnd, c}, g.penWidth});
    }
    for (int k = 0; k < g.ports; ++k) {
        const int c = g.firstCentre + g.spacing * k;
        const int end = (k % 2 == 0) ? g.columnEndEven : g.columnEndOdd;
        PortRecord column;
        column.kind = PortRecord::Kind::OutputColumn;
        column.centre = c;
        column.bandLow = c - g.bandBelow;
        column.bandHigh = c + g.bandAbove;
        column.label = {c - g.labelWidth / 2, end, g.labelWidth, g.labelHeight};
        layout.outputs.push_back(column);
        layout.lines.push_back({{c, g.start}, {c, end}, g.penWidth});
    }
    return layout;
}

std::string inputLabelText(int input) {
    char text[16];
    std::snprintf(text, sizeof text, "IN%02d", input + 1);
    return text;
}

std::string outputLabelText(int output, int outputCount) {
    char text[16];
    std::snprintf(text, sizeof text, outputCount == 32 ? "out%02d" : "OUT%02d", output + 1);
    return text;
}

} // namespace controller
