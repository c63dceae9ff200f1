#include "controller/ui/main_window.h"

#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"
#include "widgets/hover_button.h"
#include "widgets/resource_icons.h"

#include <QMouseEvent>
#include <QPainter>
#include <QThread>

namespace controller {

namespace {

const QColor kGridLineColour(0, 0, 255);
const QColor kLabelBackground(0, 200, 255);
const QColor kLabelText(128, 0, 0);
const QColor kHighlight(255, 0, 0);

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

void MainWindow::createGridWindows() {
    auto makeLabel = [this](const QString& objectName) {
        auto* label = new widgets::HoverButton(this);
        label->setObjectName(objectName);
        for (int index : {widgets::HoverButton::BackHover, widgets::HoverButton::BackNormal,
                          widgets::HoverButton::BackFocus})
            label->SetStateColor(index, kLabelBackground, false);
        for (int index : {widgets::HoverButton::TextHover, widgets::HoverButton::TextNormal})
            label->SetStateColor(index, kLabelText, false);
        label->setGeometry(10, 10, 10, 10);
        label->hide();
        return label;
    };
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_inputLabels[k] = makeLabel(QStringLiteral("inputLabel%1").arg(k));
        m_outputLabels[k] = makeLabel(QStringLiteral("outputLabel%1").arg(k));
    }
    // Created after the labels so that they lie above anything else of the grid.
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        auto* marker = new widgets::HoverButton(this);
        marker->setObjectName(QStringLiteral("marker%1").arg(k));
        marker->SetIcons(widgets::kMarkerIconId);
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
    update();
}

void MainWindow::hideMarkers() {
    for (std::size_t k = 0; k < kGridPorts; ++k) {
        m_markers[k]->hide();
        m_markerInput[k] = kNoPort;
    }
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
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
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
    if (released && m_lastRow < m_layout.portCount && m_lastColumn < m_layout.portCount)
        switchCrosspoint(m_lastColumn, m_lastRow);
}

void MainWindow::mouseMoveEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint(), false);
    QDialog::mouseMoveEvent(e);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        trackMouse(e->position().toPoint(), true);
    QDialog::mouseReleaseEvent(e);
}

void MainWindow::switchCrosspoint(int output, int input) {
    // The marker moves at once, before the device has said anything.
    placeMarker(output, input);
    send(switchRequest(m_settings.protocolType, m_deviceAddress,
                       signalCode(m_settings.matrixType, m_settings.avMode),
                       static_cast<std::uint8_t>(output), static_cast<std::uint8_t>(input)));
    // The device needs a moment between two switch requests.
    if (m_switchPause.count() > 0)
        QThread::msleep(static_cast<unsigned long>(m_switchPause.count()));
}

void MainWindow::applyCrosspoints(const std::vector<Crosspoint>& pairs) {
    for (const Crosspoint& p : pairs)
        placeMarker(p.output, p.input);
}

} // namespace controller
