#include "controller/ui/traffic_window.h"

#include "controller/ui/traffic_table_model.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace controller {

namespace {

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

QString chooseTextFile(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save traffic"),
                                        QStringLiteral("traffic.txt"),
                                        QStringLiteral("Text files (*.txt);;All files (*)"));
}

} // namespace

TrafficWindow::TrafficWindow(PortNamer names, platform::PromptSink& prompts, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_prompts(prompts),
      m_model(new TrafficTableModel(std::move(names), TrafficLog::kCapacity, this)),
      m_chooseFile(chooseTextFile) {
    setObjectName(QStringLiteral("trafficWindow"));
    setWindowTitle(QStringLiteral("Traffic"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("trafficView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    // Rows of one height and columns sized once: nothing is measured per row, so 10 000 rows
    // cost what the visible ones cost.
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    QHeaderView* columns = m_view->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(true);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_view->setColumnWidth(TrafficTableModel::TimeColumn, 14 * digit);
    m_view->setColumnWidth(TrafficTableModel::DirectionColumn, 5 * digit);
    m_view->setColumnWidth(TrafficTableModel::LinkColumn, 18 * digit);
    m_view->setColumnWidth(TrafficTableModel::BytesColumn, 40 * digit);

    auto* copy = new QAction(QStringLiteral("Copy"), m_view);
    copy->setObjectName(QStringLiteral("copyAction"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_view->addAction(copy);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(copy, &QAction::triggered, this, &TrafficWindow::copySelectedRows);

    m_pauseButton = makeButton(this, QStringLiteral("pauseButton"), QStringLiteral("Pause"));
    auto* clearButton = makeButton(this, QStringLiteral("clearButton"), QStringLiteral("Clear"));
    auto* saveButton = makeButton(this, QStringLiteral("saveButton"), QStringLiteral("Save..."));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("trafficStatus"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pauseButton);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(m_status);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_view);
    resize(1000, 420);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushPeriod);
    connect(&m_flushTimer, &QTimer::timeout, this, &TrafficWindow::flushPending);
    connect(m_pauseButton, &QPushButton::clicked, this, &TrafficWindow::onPauseClicked);
    connect(clearButton, &QPushButton::clicked, this, &TrafficWindow::onClearClicked);
    connect(saveButton, &QPushButton::clicked, this, &TrafficWindow::onSaveClicked);
    updateStatus();
}

TrafficWindow::~TrafficWindow() = default;

void TrafficWindow::record(TrafficDirection direction, std::string link,
                           std::span<const std::uint8_t> bytes) {
    m_model->record({std::chrono::system_clock::now(), direction, std::move(link),
                     std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void TrafficWindow::flushPending() {
    m_flushTimer.stop();
    if (m_paused) {
        updateStatus();
        return;
    }
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int before = bar->value();
    const std::size_t removed = m_model->flush();
    if (following)
        m_view->scrollToBottom();
    else if (removed > 0)
        // One step is one row: keep the rows the operator is reading where they were.
        bar->setValue(std::max(0, before - static_cast<int>(removed)));
    updateStatus();
}

void TrafficWindow::onPauseClicked() {
    m_paused = !m_paused;
    m_pauseButton->setText(m_paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (!m_paused)
        flushPending();
    updateStatus();
}

void TrafficWindow::onClearClicked() {
    m_model->clear();
    updateStatus();
}

void TrafficWindow::onSaveClicked() {
    const QString path = m_chooseFile(this);
    if (path.isEmpty())
        return;
    const std::string text = m_model->shown().text(m_model->names());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(text.data(), static_cast<qint64>(text.size())) ==
            static_cast<qint64>(text.size()) &&
        file.commit())
        return;
    m_prompts.show(platform::Prompt::box("Traffic",
                                         QStringLiteral("Cannot save the traffic to %1: %2")
                                             .arg(path, file.errorString())
                                             .toStdString(),
                                         platform::PromptIcon::Exclamation));
}

void TrafficWindow::copySelectedRows() {
    QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    std::string text;
    for (const QModelIndex& row : rows)
        text += trafficTextLine(m_model->shown()[static_cast<std::size_t>(row.row())],
                                m_model->names());
    if (!text.empty())
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TrafficWindow::updateStatus() {
    QString text = QStringLiteral("%1 frames").arg(m_model->shown().size());
    if (m_paused)
        text += QStringLiteral(", %1 waiting").arg(m_model->waiting());
    m_status->setText(text);
}

} // namespace controller
