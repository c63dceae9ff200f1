#include "terminal_setup/ui/export_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace terminal_setup {

namespace {

const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString kJsonFilter = QStringLiteral("JSON (*.json)");

} // namespace

std::optional<ExportTarget> askExportFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Export"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({kCsvFilter, kJsonFilter});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QStringLiteral("terminals.csv"));
    // The name that is offered, and the extension a bare name gets, follow the chosen filter.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const QString suffix = f == kJsonFilter ? QStringLiteral("json") : QStringLiteral("csv");
        dialog.setDefaultSuffix(suffix);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const std::string path = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    const std::optional<ExportFormat> byName = exportFormatOfPath(path);
    const ExportFormat byFilter =
        dialog.selectedNameFilter() == kJsonFilter ? ExportFormat::Json : ExportFormat::Csv;
    return ExportTarget{path, byName.value_or(byFilter)};
}

} // namespace terminal_setup
