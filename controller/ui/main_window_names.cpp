#include "controller/ui/main_window.h"

#include "widgets/hover_button.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMenu>

namespace controller {

namespace {

// The fewest characters of a name worth showing cut short: fewer tell less than the number.
constexpr int kMinShownCharacters = 3;

// What a label shows: the name when it fits, cut short with "…" when enough of it does, else
// the port's number; no name, the number.
QString labelCaption(const QString& number, const QString& name, const QFontMetrics& metrics,
                     int width) {
    if (name.isEmpty())
        return number;
    // As the font was fitted: a pixel of room on either side.
    const int room = width - 2;
    if (metrics.horizontalAdvance(name) <= room)
        return name;
    const QString cut = metrics.elidedText(name, Qt::ElideRight, room);
    return cut.size() - 1 >= kMinShownCharacters ? cut : number;
}

} // namespace

void MainWindow::showPortNames() {
    for (int k = 0; k < m_layout.portCount; ++k) {
        showPortName(PortKind::Input, k);
        showPortName(PortKind::Output, k);
    }
}

void MainWindow::showPortName(PortKind kind, int k) {
    if (k < 0 || k >= m_layout.portCount)
        return;
    const bool input = kind == PortKind::Input;
    widgets::HoverButton* label = input ? inputLabel(k) : outputLabel(k);
    const QString number =
        QString::fromStdString(input ? inputLabelText(k) : outputLabelText(k, m_layout.portCount));
    const QString name = QString::fromStdString(m_session.portNames().name(kind, k + 1));
    label->setText(labelCaption(number, name, QFontMetrics(label->font()), label->width()));
    label->setAccessibleName(name.isEmpty() ? number : number + QLatin1Char(' ') + name);
    label->setToolTip(name.isEmpty() ? number + QStringLiteral(" (double-click to name it)")
                                     : number + QStringLiteral(": ") + name);
}

bool MainWindow::labelEvent(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseButtonDblClick && e->type() != QEvent::ContextMenu)
        return false;
    for (int k = 0; k < m_layout.portCount; ++k)
        for (const PortKind kind : {PortKind::Input, PortKind::Output}) {
            if (watched != (kind == PortKind::Input ? inputLabel(k) : outputLabel(k)))
                continue;
            if (e->type() == QEvent::ContextMenu)
                showLabelMenu(kind, k, static_cast<QContextMenuEvent*>(e)->globalPos());
            else
                editPortName(kind, k);
            return true;
        }
    return false;
}

void MainWindow::showLabelMenu(PortKind kind, int k, QPoint globalPos) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Name..."), this, [this, kind, k] { editPortName(kind, k); });
    menu.exec(globalPos);
}

void MainWindow::editPortName(PortKind kind, int k) {
    if (k < 0 || k >= m_layout.portCount)
        return;
    const QString number = QString::fromStdString(
        kind == PortKind::Input ? inputLabelText(k) : outputLabelText(k, m_layout.portCount));
    const std::string current = m_session.portNames().name(kind, k + 1);
    std::optional<std::string> edited;
    if (m_nameEditor) {
        edited = m_nameEditor(number, current);
    } else {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, QStringLiteral("Name"),
                                  QStringLiteral("Name of %1 (empty for none):").arg(number),
                                  QLineEdit::Normal, QString::fromStdString(current), &ok);
        if (ok)
            edited = text.toStdString();
    }
    // The grid may have been laid out anew while the dialog was open.
    if (!edited || k >= m_layout.portCount)
        return;
    const bool written = m_session.setPortName(kind, k + 1, *edited);
    showPortName(kind, k);
    if (!written)
        showMessage("The name could not be written to " + m_session.settingsFile().path() +
                    "; it lasts until the program ends.");
}

} // namespace controller
