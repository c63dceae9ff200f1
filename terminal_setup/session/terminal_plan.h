#pragma once

#include "terminal_setup/session/plan_fields.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace terminal_setup {

// A configuration plan: a CSV file with the columns of the export, one row per terminal, found by
// its `mac`, with the wanted values of the columns a write or a reset can set. A blank cell keeps
// the terminal's value; every other column is ignored, so an exported file is a plan that changes
// nothing. Plain code: bytes in, rows out.

// Something wrong with a plan. Rows are numbered as a spreadsheet shows them: the header is
// row 1, the first terminal row 2. Row 0 is the file as a whole.
struct PlanFault {
    std::size_t row = 0;
    std::string field; // the column, or empty
    std::string cell;  // the cell as written, or empty
    std::string why;

    bool operator==(const PlanFault&) const = default;
};

// "row 4, mask \"255.0.255.0\": not a subnet mask"; a fault of the whole file is its text alone.
std::string describePlanFault(const PlanFault& fault);

struct PlanCell {
    PlanField field = PlanField::Id;
    std::string text; // as written; never blank

    bool operator==(const PlanCell&) const = default;
};

struct PlanRow {
    std::size_t row = 0;         // as a spreadsheet numbers it
    std::string macText;         // the `mac` cell as written
    std::vector<PlanCell> cells; // the cells that are not blank, in column order

    bool operator==(const PlanRow&) const = default;
};

struct Plan {
    std::vector<PlanRow> rows;     // rows whose every cell is blank are left out
    std::vector<PlanFault> faults; // of the file itself: no `mac` column, a column twice, ...
};

// Reads a plan as Export writes it (UTF-8, RFC 4180) and as spreadsheets save one: with or without
// a byte-order mark, CRLF or LF, cells separated by commas, or by semicolons or tabs when the
// header has no comma, text in GBK when it is not UTF-8.
Plan readPlan(std::string_view bytes);

} // namespace terminal_setup
