#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace controller {

// Row or column index that stands for "no port under the mouse".
inline constexpr int kNoPort = 4095;

// Largest grid the window draws: 32 inputs by 32 outputs.
inline constexpr int kGridPorts = 32;

// Integer geometry in client pixels of the main window (its own top-left is (0, 0)).
struct GridPoint {
    int x = 0;
    int y = 0;
    bool operator==(const GridPoint&) const = default;
};

struct GridRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    // Strictly inside: a point on the frame's edge does not count.
    bool strictlyContains(int x, int y) const {
        return left < x && x < right() && top < y && y < bottom();
    }
    bool operator==(const GridRect&) const = default;
};

// One input row or output column: where its label sits, the interval the mouse must fall in to
// hit it (both bounds excluded, so a coordinate between two neighbours hits neither), and the
// row's y or the column's x.
struct PortRecord {
    enum class Kind { InputRow = 0, OutputColumn = 1 };

    GridRect label;
    int bandLow = 0;
    int bandHigh = 0;
    int centre = 0;
    Kind kind = Kind::InputRow;

    bool inBand(int coordinate) const { return bandLow < coordinate && coordinate < bandHigh; }
    bool operator==(const PortRecord&) const = default;
};

// A grid line as drawn: from, to, pen width; every line has the grid colour.
struct GridLine {
    GridPoint from;
    GridPoint to;
    int penWidth = 1;
    bool operator==(const GridLine&) const = default;
};

// Everything the window needs to show one grid size: the records of its rows and columns, the
// lines in drawing order (rows first, then columns) and the marker size. Pure geometry: the
// window moves its label and marker widgets to these rectangles and draws the lines.
struct GridLayout {
    int matrixSize = 0; // 0 4x4, 1 8x8, 2 16x16, 3 32x32
    int portCount = 4;  // inputs and outputs alike
    int markerSize = 40;
    std::vector<PortRecord> inputs;  // portCount rows, from input 0
    std::vector<PortRecord> outputs; // portCount columns, from output 0
    std::vector<GridLine> lines;

    // The first row whose band holds y, or kNoPort.
    int findRow(int y) const;
    // The first column whose band holds x, or kNoPort.
    int findColumn(int x) const;
    // The marker of `output` fed by `input`, centred on their crossing. Both must be below
    // portCount.
    GridRect markerRect(int output, int input) const;
};

// The layout of a size list index. An index outside 0..3 (only a hand-edited settings file holds
// one) falls back to 4x4, the size the read-switch request then asks for too.
GridLayout layoutGrid(int matrixSize);

// Label captions: "IN01".., and "OUT01".. or, for 32 outputs, "out01".. (counted from 1).
std::string inputLabelText(int input);
std::string outputLabelText(int output, int outputCount);

} // namespace controller
