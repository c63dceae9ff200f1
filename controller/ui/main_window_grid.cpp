#include "controller/ui/main_window.h"

#include "controller/ui/crosspoint_cursor.h"
#include "widgets/hover_button.h"
#include "widgets/resource_icons.h"

#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>

namespace controller {

namespace {

const QColor kGridLineColour(0, 0, 255);
const QColor kLabelBackground(0, 200, 255);
const QColor kLabelText(128, 0, 0);
const QColor kHighlight(255, 0, 0);
// The grid's own background: its blue lines stay readable under any theme.
const QColor kGridBackground(240, 240, 240);

// The smallest font the labels are given on a crowded grid.
constexpr int kMinLabelPixelSize = 6;

QRect toQRect(const GridRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}

} // namespace

widgets::HoverButton* MainWindow::inputLabel(int k) const {
    return k >= 0 && k < kGridPorts ? m_inputLabels[static_cast<std::size_t>(k)] : nullptr;
}

widgets::HoverButton* MainWindow::outputLabel(int k) const {
    return k >= 0 && k < kGridPorts ? m_outputLabels[static_cast<std::size_t>(k)] : nullptr;
}

widgets::HoverButton* MainWindow::marker(int output) const {
    return output >= 0 && output < kGridPorts ? m_markers[static_cast<std::size_t>(output)]
                                              : nullptr;
}

void MainWindow::createGridCursor() {
    m_cursor = new CrosspointCursor([this](int output, int input) { return joined(output, input); },
                                    m_content);
    m_cursor->setGeometry(m_gridGroup->geometry());
    // Enter or Space on the cursor switches exactly as a click on its crosspoint does.
    connect(m_cursor, &CrosspointCursor::switchRequested, this, &MainWindow::switchCrosspoint);
    // The labels of its row and column light up as under the mouse.
    connect(m_cursor, &CrosspointCursor::moved, this, [this](int output, int input) {
        highlightLabels(m_inputLabels, input);
        highlightLabels(m_outputLabels, output);
    });
}

void MainWindow::createGridWindows() {
    // Labels and markers only show; the keyboard reaches the grid through its cursor. As push
    // buttons in a dialog they would otherwise be Tab stops and, shown first, the button that
    // Return presses.
    auto makeGridButton = [this](const QString& objectName) {
        auto* button = new widgets::HoverButton(m_content);
        button->setObjectName(objectName);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        return button;
    };
    auto makeLabel = [this, makeGridButton](const QString& objectName) {
        widgets::HoverButton* label = makeGridButton(objectName);
        for (int index : {widgets::HoverButton::BackHover, widgets::HoverButton::BackNormal,
                          widgets::HoverButton::BackFocus})
            label->SetStateColor(index, kLabelBackground, false);
        for (int index : {widgets::HoverButton::TextHover, widgets::HoverButton::TextNormal})
            label->SetStateColor(index, kLabelText, false);
        label->setGeometry(10, 10, 10, 10);
        label->hide();
        // A double click or the context menu names the port.
        label->installEventFilter(this);
        return label;
    };
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_inputLabels[k] = makeLabel(QStringLiteral("inputLabel%1").arg(k));
        m_outputLabels[k] = makeLabel(QStringLiteral("outputLabel%1").arg(k));
    }
    // Created after the labels so that they lie above anything else of the grid.
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        widgets::HoverButton* marker = makeGridButton(QStringLiteral("marker%1").arg(k));
        marker->SetIcons(widgets::kMarkerIconId);
        // The marker sits on the grid, not on a button face of the theme.
        for (int index : {widgets::HoverButton::BackHover, widgets::HoverButton::BackNormal,
                          widgets::HoverButton::BackFocus})
            marker->SetStateColor(index, kGridBackground, false);
        marker->setGeometry(10, 10, 10, 10);
        marker->hide();
        m_markers[k] = marker;
    }
}

void MainWindow::layoutGridFor(int matrixSize) {
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_inputLabels[k]->hide();
        m_outputLabels[k]->hide();
    }
    hideMarkers();
    m_layout = layoutGrid(matrixSize);
    const int count = m_layout.portCount;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        widgets::HoverButton* in = m_inputLabels[i];
        in->setText(QString::fromStdString(inputLabelText(k)));
        in->setAccessibleName(in->text());
        in->setGeometry(toQRect(m_layout.inputs[i].label));
        in->show();
        widgets::HoverButton* out = m_outputLabels[i];
        out->setText(QString::fromStdString(outputLabelText(k, count)));
        out->setAccessibleName(out->text());
        out->setGeometry(toQRect(m_layout.outputs[i].label));
        out->show();
    }
    fitLabelFont();
    showPortNames();
    m_cursor->setGrid(m_layout);
    m_content->update();
}

// The largest font, up to the window's own, in which every caption of this grid fits its
// label on one line: a large desktop font must not cut "out32" short.
void MainWindow::fitLabelFont() {
    const int count = m_layout.portCount;
    if (count <= 0)
        return;
    const QSize box(m_layout.inputs[0].label.width, m_layout.inputs[0].label.height);
    QFont font = m_content->font();
    int pixels = QFontInfo(font).pixelSize();
    const auto fits = [&](const QFont& f) {
        const QFontMetrics metrics(f);
        if (metrics.height() > box.height())
            return false;
        for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k)
            for (const widgets::HoverButton* label : {m_inputLabels[k], m_outputLabels[k]})
                if (metrics.horizontalAdvance(label->text()) > box.width() - 2)
                    return false;
        return true;
    };
    while (!fits(font) && pixels > kMinLabelPixelSize)
        font.setPixelSize(--pixels);
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_inputLabels[k]->setFont(font);
        m_outputLabels[k]->setFont(font);
    }
}

void MainWindow::hideMarkers() {
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_markers[k]->hide();
        m_markerInput[k] = kNoPort;
    }
    if (m_cursor)
        m_cursor->refresh();
}

bool MainWindow::joined(int output, int input) const {
    return output >= 0 && output < kGridPorts &&
           m_markerInput[static_cast<std::size_t>(output)] == input;
}

void MainWindow::placeMarker(int output, int input) {
    if (output < 0 || output >= m_layout.portCount || input < 0 || input >= m_layout.portCount)
        return;
    const auto o = static_cast<std::size_t>(output);
    widgets::HoverButton* m = m_markers[o];
    m->setGeometry(toQRect(m_layout.markerRect(output, input)));
    m_markerInput[o] = input;
    m->setAccessibleName(
        QStringLiteral("Output %1 fed by input %2").arg(output + 1).arg(input + 1));
    m->show();
    m_cursor->refresh();
}

void MainWindow::paintGrid() {
    QPainter painter(m_content);
    // Inside the frame's border and below its title, which keep the theme's colours.
    painter.fillRect(m_gridGroup->contentsRect().translated(m_gridGroup->pos()), kGridBackground);
    for (const GridLine& line : m_layout.lines) {
        painter.setPen(QPen(kGridLineColour, line.penWidth, Qt::SolidLine));
        painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }
}

void MainWindow::highlightLabels(std::array<widgets::HoverButton*, kGridPorts>& labels, int hit) {
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        const QColor& wanted = static_cast<int>(k) == hit ? kHighlight : kLabelBackground;
        // Only labels whose colour changes are redrawn: moves come many times a second.
        if (labels[k]->stateColor(widgets::HoverButton::BackNormal) != wanted)
            labels[k]->SetStateColor(widgets::HoverButton::BackNormal, wanted, true);
    }
}

void MainWindow::trackMouse(QPoint pos, bool released) {
    if (!m_gridFrame.strictlyContains(pos.x(), pos.y()))
        return;
    m_lastRow = m_layout.findRow(pos.y());
    if (m_lastRow != kNoPort)
        highlightLabels(m_inputLabels, m_lastRow);
    m_lastColumn = m_layout.findColumn(pos.x());
    if (m_lastColumn != kNoPort)
        highlightLabels(m_outputLabels, m_lastColumn);
    if (released && m_lastRow < m_layout.portCount && m_lastColumn < m_layout.portCount) {
        // The keyboard goes on from the crosspoint the mouse switched.
        m_cursor->moveTo(m_lastColumn, m_lastRow);
        switchCrosspoint(m_lastColumn, m_lastRow);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (labelEvent(watched, e))
        return true;
    if (watched != m_content)
        return QDialog::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::Paint:
        paintGrid();
        return true;
    case QEvent::MouseMove:
        trackMouse(static_cast<QMouseEvent*>(e)->position().toPoint(), false);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
            trackMouse(static_cast<QMouseEvent*>(e)->position().toPoint(), true);
        break;
    default:
        break;
    }
    return false;
}

void MainWindow::switchCrosspoint(int output, int input) {
    // The marker moves at once, before the device has said anything.
    placeMarker(output, input);
    m_session.switchCrosspoint(output, input);
}

} // namespace controller
