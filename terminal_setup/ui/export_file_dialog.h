#pragma once

#include "terminal_setup/protocol/terminal_export.h"

#include <optional>
#include <string>

class QWidget;

namespace terminal_setup {

// Where to save an export of the list, and in which format.
struct ExportTarget {
    std::string path;
    ExportFormat format = ExportFormat::Csv;
};

// Asks with a save dialog ("CSV (*.csv)" or "JSON (*.json)"). The file name's extension decides
// the format; a name without one gets that of the chosen filter. Nothing when cancelled.
std::optional<ExportTarget> askExportFile(QWidget* parent);

} // namespace terminal_setup
