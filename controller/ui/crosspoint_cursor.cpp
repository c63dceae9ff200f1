#include "controller/ui/crosspoint_cursor.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace controller {

namespace {

// Room between the cursor's frame and the marker it surrounds.
constexpr int kCursorMargin = 4;
constexpr int kCursorPenWidth = 2;
// Dark on the grid's own light background, in any theme.
const QColor kCursorColour(0, 0, 0);

} // namespace

CrosspointCursor::CrosspointCursor(JoinedQuery joined, QWidget* parent)
    : QWidget(parent), m_joined(std::move(joined)) {
    setObjectName(QStringLiteral("crosspointCursor"));
    setFocusPolicy(Qt::StrongFocus);
    // Clicks and moves belong to the grid underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleDescription(
        QStringLiteral("Crosspoint grid: arrow keys choose a crosspoint, Enter or Space switches"));
}

void CrosspointCursor::setGrid(const GridLayout& layout) {
    m_layout = layout;
    if (m_output >= m_layout.portCount || m_input >= m_layout.portCount) {
        m_output = 0;
        m_input = 0;
    }
    updateName();
    update();
}

void CrosspointCursor::moveTo(int output, int input) {
    if (output < 0 || output >= m_layout.portCount || input < 0 || input >= m_layout.portCount)
        return;
    update(cursorRect());
    m_output = output;
    m_input = input;
    update(cursorRect());
    updateName();
    emit moved(m_output, m_input);
}

void CrosspointCursor::refresh() {
    updateName();
}

void CrosspointCursor::updateName() {
    const bool joined = m_joined && m_joined(m_output, m_input);
    const QString name = QStringLiteral("Input %1 to output %2, %3")
                             .arg(m_input + 1)
                             .arg(m_output + 1)
                             .arg(joined ? QStringLiteral("joined") : QStringLiteral("not joined"));
    // Setting the name tells assistive tools; only a real change is worth telling.
    if (name != accessibleName())
        setAccessibleName(name);
}

void CrosspointCursor::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers held = e->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    if (held != Qt::NoModifier) {
        QWidget::keyPressEvent(e);
        return;
    }
    const int last = m_layout.portCount - 1;
    const bool arrow = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down ||
                       e->key() == Qt::Key_Left || e->key() == Qt::Key_Right ||
                       e->key() == Qt::Key_Home || e->key() == Qt::Key_End;
    if (arrow && !m_shown)
        setCursorShown(true);
    switch (e->key()) {
    case Qt::Key_Up:
        moveTo(m_output, std::max(m_input - 1, 0));
        break;
    case Qt::Key_Down:
        moveTo(m_output, std::min(m_input + 1, last));
        break;
    case Qt::Key_Left:
        moveTo(std::max(m_output - 1, 0), m_input);
        break;
    case Qt::Key_Right:
        moveTo(std::min(m_output + 1, last), m_input);
        break;
    case Qt::Key_Home:
        moveTo(m_output, 0);
        break;
    case Qt::Key_End:
        moveTo(m_output, last);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // Only a cursor the operator can see switches: a key pressed on the grid that merely
        // got the focus first shows it.
        if (m_shown)
            emit switchRequested(m_output, m_input);
        else
            setCursorShown(true);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

QRect CrosspointCursor::cursorRect() const {
    if (m_layout.portCount <= 0)
        return {};
    const GridRect marker = m_layout.markerRect(m_output, m_input);
    const QRect around =
        QRect(marker.left, marker.top, marker.width, marker.height)
            .adjusted(-kCursorMargin, -kCursorMargin, kCursorMargin, kCursorMargin);
    return around.translated(-pos());
}

void CrosspointCursor::setCursorShown(bool shown) {
    m_shown = shown;
    update(cursorRect());
    if (shown)
        emit moved(m_output, m_input);
}

void CrosspointCursor::paintEvent(QPaintEvent*) {
    if (!hasFocus() || !m_shown)
        return;
    QPainter painter(this);
    painter.setPen(QPen(kCursorColour, kCursorPenWidth, Qt::DashLine));
    const int inset = kCursorPenWidth / 2;
    painter.drawRect(cursorRect().adjusted(inset, inset, -inset, -inset));
}

void CrosspointCursor::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    // The cursor shows once the keyboard is used: tabbing in or a key. A window that merely
    // becomes active, with the grid first in line for the focus, shows nothing.
    setCursorShown(e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason);
}

void CrosspointCursor::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    setCursorShown(false);
}

} // namespace controller
