// The list window's care for the installer's records: marks on conflicting and unreachable
// rows, the export of the list, and the check of a write by the scan that follows it.

#include "platform/whole_file.h"
#include "terminal_setup/protocol/terminal_export.h"
#include "terminal_setup/protocol/terminal_listing.h"
#include "terminal_setup/protocol/write_check.h"
#include "terminal_setup/ui/terminal_config_dialog.h"
#include "terminal_setup/ui/terminal_list_window.h"
#include "widgets/hover_button.h"

#include <QAction>
#include <QLabel>
#include <QTableWidget>

namespace terminal_setup {

namespace {

// Row backgrounds: a clash with another row, and a terminal this PC cannot reach where it is.
const QColor kConflictBackground(255, 185, 185);
const QColor kUnreachableBackground(255, 232, 160);

QString joined(const std::vector<std::string>& sentences) {
    QStringList lines;
    for (const std::string& sentence : sentences)
        lines << QString::fromStdString(sentence);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// --- marks -----------------------------------------------------------------------------------

void TerminalListWindow::refreshMarks() {
    m_marksStale = false;
    const std::vector<ListedTerminal> rows = listTerminals(m_discovery.table(), m_interfaces);
    const std::vector<TerminalMarks> marks = markTerminals(rows);
    for (std::size_t row = 0; row < rows.size() && static_cast<int>(row) < m_list->rowCount();
         ++row) {
        const TerminalMarks& mark = marks[row];
        const QString why = joined(describeMarks(rows, row, mark));
        const QBrush background = mark.conflicting() ? QBrush(kConflictBackground)
                                  : mark.unreachable ? QBrush(kUnreachableBackground)
                                                     : QBrush();
        // A row whose marks stand as they were is left alone: a flood of reports repaints
        // only what changed.
        const QTableWidgetItem* first = m_list->item(static_cast<int>(row), 0);
        if (first && first->toolTip() == why && first->background() == background)
            continue;
        for (int column = 0; column < m_list->columnCount(); ++column) {
            QTableWidgetItem* item = m_list->item(static_cast<int>(row), column);
            if (item == nullptr)
                continue;
            item->setBackground(background);
            item->setToolTip(why);
            item->setData(Qt::AccessibleDescriptionRole, why);
        }
    }
}

std::vector<ListedTerminal> TerminalListWindow::listedTerminals() const {
    return distinctTerminals(listTerminals(m_discovery.table(), m_interfaces));
}

// --- export ----------------------------------------------------------------------------------

void TerminalListWindow::updateExportEnabled() {
    const bool listed = !m_discovery.table().empty();
    m_exportButton->setEnabled(listed);
    m_exportAction->setEnabled(listed);
}

void TerminalListWindow::onExport() {
    if (m_discovery.table().empty() || !m_chooseExportFile)
        return;
    const std::optional<ExportTarget> target = m_chooseExportFile(this);
    if (!target)
        return;
    // Read after the file dialog: reports kept arriving while it was open.
    const std::vector<ListedTerminal> rows = listedTerminals();
    if (!platform::writeWholeFile(target->path, exportTerminals(rows, target->format))) {
        m_prompts.show(platform::Prompt::box(kProgramName, "Cannot write " + target->path + ".",
                                             platform::PromptIcon::Exclamation));
    }
}

// --- the check of a write --------------------------------------------------------------------

void TerminalListWindow::writeChecked(const WriteCheck& check) {
    tellWriteCheck(describeWriteCheck(check));
}

void TerminalListWindow::writeCheckAbandoned() {
    tellWriteCheck("Quellin could not scan again to check the write.");
}

void TerminalListWindow::tellWriteCheck(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (m_openDialog) {
        m_openDialog->showWriteCheck(shown);
        return;
    }
    m_writeCheckLabel->setText(shown);
    m_writeCheckLabel->setAccessibleDescription(shown);
    m_writeCheckLabel->show();
}

} // namespace terminal_setup
