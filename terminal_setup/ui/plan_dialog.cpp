#include "terminal_setup/ui/plan_dialog.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace terminal_setup {

namespace {

constexpr std::array<const char*, 5> kHeaders = {"Row", "MAC", "Terminal", "Changes", "Result"};
enum Column { kRowColumn, kMacColumn, kFoundColumn, kChangesColumn, kResultColumn };

const QColor kConfirmed(200, 240, 200);
const QColor kFailed(255, 185, 185);
const QColor kNotFound(255, 232, 160);

QTableWidgetItem* cell(const std::string& text, Qt::Alignment alignment = Qt::AlignCenter) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(alignment);
    return item;
}

std::string plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::optional<std::string> askPlanFile(QWidget* parent) {
    const QString path =
        QFileDialog::getOpenFileName(parent, QStringLiteral("Apply plan"), QDir::homePath(),
                                     QStringLiteral("CSV (*.csv);;All files (*)"));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

PlanDialog::PlanDialog(const std::string& path, const CheckedPlan& plan,
                       std::function<void()> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("planDialog"));
    setWindowTitle(QStringLiteral("Apply plan"));

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("planSummary"));
    m_summary->setWordWrap(true);
    m_table = new QTableWidget(0, static_cast<int>(kHeaders.size()), this);
    m_table->setObjectName(QStringLiteral("planTable"));
    m_table->setAccessibleName(QStringLiteral("Plan"));
    m_faults = new QLabel(this);
    m_faults->setObjectName(QStringLiteral("planFaults"));
    m_faults->setAccessibleName(QStringLiteral("Faults"));
    m_faults->setWordWrap(true);
    m_faults->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_faults->setStyleSheet(QStringLiteral("color: #a00000"));
    m_applyButton = new QPushButton(QStringLiteral("Apply"), this);
    m_applyButton->setObjectName(QStringLiteral("applyButton"));
    m_closeButton = new QPushButton(QStringLiteral("Close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));

    fillTable(plan);
    std::size_t changes = 0;
    for (const PlannedTerminal& terminal : plan.terminals)
        changes += terminal.changes.size();
    const std::string file = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    setWindowTitle(QString::fromStdString("Apply plan: " + file));
    const std::size_t found = plan.terminals.size() - plan.notFound();
    m_summary->setText(QString::fromStdString(
        file + ": " + plural(plan.terminals.size(), "terminal", "terminals") + ", " +
        std::to_string(found) + " found, " + std::to_string(plan.notFound()) + " not found; " +
        plural(changes, "change", "changes") + "."));
    if (!plan.ok()) {
        std::string text = "Nothing can be sent: the plan has these faults.";
        for (const PlanFault& fault : plan.faults)
            text += "\n" + describePlanFault(fault);
        m_faults->setText(QString::fromStdString(text));
    }
    m_faults->setVisible(!plan.ok());
    m_applyButton->setEnabled(plan.ok() && changes > 0);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_applyButton);
    buttons->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_faults);
    layout->addLayout(buttons);
    resize(820, 420);

    connect(m_applyButton, &QPushButton::clicked, this, &PlanDialog::onApply);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void PlanDialog::fillTable(const CheckedPlan& plan) {
    for (int column = 0; column < static_cast<int>(kHeaders.size()); ++column)
        m_table->setHorizontalHeaderItem(column, cell(kHeaders[column]));
    m_table->verticalHeader()->hide();
    // Rows as tall as their lines of changes and results, at whatever width the columns get.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(true);
    for (const PlannedTerminal& terminal : plan.terminals) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_tableRowOf[terminal.row] = row;
        std::string changes;
        for (const PlanChange& change : terminal.changes)
            changes += (changes.empty() ? "" : "\n") + describePlanChange(change);
        if (changes.empty() && terminal.found)
            changes = "no change";
        m_table->setItem(row, kRowColumn, cell(std::to_string(terminal.row)));
        m_table->setItem(row, kMacColumn, cell(formatMac(terminal.mac)));
        m_table->setItem(row, kFoundColumn, cell(terminal.found ? "found" : "not found"));
        m_table->setItem(row, kChangesColumn, cell(changes, Qt::AlignLeft | Qt::AlignVCenter));
        m_table->setItem(row, kResultColumn, cell({}, Qt::AlignLeft | Qt::AlignVCenter));
        if (!terminal.found)
            m_table->item(row, kFoundColumn)->setBackground(kNotFound);
    }
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(kRowColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kMacColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kFoundColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kChangesColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kResultColumn, QHeaderView::Stretch);
}

void PlanDialog::onApply() {
    if (!m_applyButton->isEnabled() || m_applying)
        return;
    m_applying = true;
    m_applyButton->setEnabled(false);
    m_summary->setText(QStringLiteral("Applying the plan, one terminal after another..."));
    if (m_apply)
        m_apply();
}

void PlanDialog::showResult(const PlanRowResult& result) {
    const auto found = m_tableRowOf.find(result.row);
    if (found == m_tableRowOf.end())
        return;
    QTableWidgetItem* item = m_table->item(found->second, kResultColumn);
    item->setText(QString::fromStdString(describePlanResult(result)));
    if (result.outcome == PlanRowResult::Outcome::NotFound) {
        ++m_notFound;
        item->setBackground(kNotFound);
    } else if (result.ok()) {
        ++m_confirmed;
        item->setBackground(kConfirmed);
    } else {
        ++m_failed;
        item->setBackground(kFailed);
    }
}

void PlanDialog::showFinished() {
    m_applying = false;
    m_summary->setText(QString::fromStdString(
        "Done: " + std::to_string(m_confirmed) + " confirmed, " + std::to_string(m_failed) +
        " not confirmed, " + std::to_string(m_notFound) +
        " not found. Quellin scans again to list the terminals as they are now."));
}

} // namespace terminal_setup
