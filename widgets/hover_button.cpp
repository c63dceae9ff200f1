#include "widgets/hover_button.h"

#include "widgets/resource_icons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

namespace widgets {

namespace {

constexpr int kCaptionFlags =
    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::TextDontClip;
constexpr int kFocusRectInset = 3;
constexpr QSize kHintPadding(12, 8);

// The 3D colours of the system palette, read from the active group so that a disabled button
// embosses with the same colours an enabled one uses for its edges.
QColor systemHighlight(const QWidget& w) {
    return w.palette().color(QPalette::Active, QPalette::Light);
}
QColor systemShadow(const QWidget& w) {
    return w.palette().color(QPalette::Active, QPalette::Dark);
}

// The next control after `from` that the Tab key would reach inside `parent`, or null.
QWidget* nextTabStopIn(QWidget* parent, QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (!parent->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus)
            continue;
        if (w->isEnabled() && w->isVisibleTo(parent))
            return w;
    }
    return nullptr;
}

} // namespace

HoverButton::HoverButton(QWidget* parent) : HoverButton(QString(), parent) {}

HoverButton::HoverButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    // Pointer moves without a button held are what start the hover look.
    setMouseTracking(true);
    ResetColors(false);
    // A click gives the button the focus, as keyboard activation would.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (focusPolicy() != Qt::NoFocus)
            setFocus(Qt::MouseFocusReason);
    });
}

int HoverButton::SetIcons(int resourceId) {
    const QPixmap pixmap = resourcePixmap(resourceId);
    setImage(pixmap);
    return pixmap.isNull() ? kNoIcon : kOk;
}

void HoverButton::setImage(const QPixmap& image) {
    m_image = image;
    m_disabledImage = QPixmap();
    updateGeometry();
    update();
}

void HoverButton::SetFlatLook(bool flat, bool repaint) {
    m_flat = flat;
    // Only a flat button tracks the pointer; one that stops being flat must not keep the look.
    if (!flat)
        m_hovering = false;
    if (repaint)
        update();
}

int HoverButton::SetStateColor(int index, const QColor& color, bool repaint) {
    if (index < 0 || index >= kColorCount)
        return kBadColorIndex;
    m_colors[static_cast<std::size_t>(index)] = color;
    if (repaint)
        update();
    return kOk;
}

void HoverButton::ResetColors(bool repaint) {
    const QColor face = palette().color(QPalette::Active, QPalette::Button);
    const QColor text = palette().color(QPalette::Active, QPalette::ButtonText);
    m_colors = {face, text, face, text, face, text};
    m_systemPalette = QApplication::palette(this);
    if (repaint)
        update();
}

QColor HoverButton::stateColor(int index) const {
    if (index < 0 || index >= kColorCount)
        return {};
    return m_colors[static_cast<std::size_t>(index)];
}

QSize HoverButton::imageSize() const {
    return m_image.isNull() ? QSize() : m_image.deviceIndependentSize().toSize();
}

HoverButtonLayout HoverButton::currentLayout() const {
    return layoutHoverButton(rect(), imageSize(), !text().isEmpty(), isDown());
}

QSize HoverButton::sizeHint() const {
    QSize content;
    if (!text().isEmpty())
        content = fontMetrics().size(Qt::TextShowMnemonic, text());
    if (hasImage()) {
        const QSize image = imageSize();
        const int margins = text().isEmpty() ? 0 : 2 * HoverButtonLayout::kImageMargin;
        content.setWidth(content.width() + image.width() + margins);
        content.setHeight(std::max(content.height(), image.height()));
    }
    return (content + kHintPadding).expandedTo(QPushButton::sizeHint());
}

void HoverButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    switch (e->type()) {
    case QEvent::PaletteChange:
        // A change of the system colours puts every state colour back to them, including the
        // colours the owner chose. A palette that an owner window sets for itself is no such
        // change, so only the application's palette counts.
        if (QApplication::palette(this) != m_systemPalette) {
            m_disabledImage = QPixmap();
            ResetColors(true);
        }
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            endHover();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            // A disabled button must not keep the focus, and taking it away from the button alone
            // is not enough: the keyboard lands on the next control, as in any dialog.
            moveFocusAway();
            endHover();
        }
        break;
    default:
        break;
    }
}

void HoverButton::enterEvent(QEnterEvent* e) {
    QPushButton::enterEvent(e);
    trackPointer(e->globalPosition(), QGuiApplication::mouseButtons());
}

void HoverButton::leaveEvent(QEvent* e) {
    QPushButton::leaveEvent(e);
    endHover();
}

void HoverButton::mouseMoveEvent(QMouseEvent* e) {
    QPushButton::mouseMoveEvent(e);
    trackPointer(e->globalPosition(), e->buttons());
}

void HoverButton::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click is a press like any other, so it ends in a click too.
    if (e->button() == Qt::LeftButton)
        mousePressEvent(e);
    else
        QPushButton::mouseDoubleClickEvent(e);
}

void HoverButton::focusOutEvent(QFocusEvent* e) {
    QPushButton::focusOutEvent(e);
    endHover();
}

void HoverButton::hideEvent(QHideEvent* e) {
    QPushButton::hideEvent(e);
    // A hidden button may be shown again elsewhere (grid labels are), away from the pointer.
    endHover();
}

void HoverButton::trackPointer(const QPointF& globalPos, Qt::MouseButtons buttons) {
    // A press that started elsewhere and was dragged in does not light the button up.
    if ((buttons & Qt::LeftButton) && !m_hovering)
        return;
    if (!m_flat)
        return;
    const QPoint global = globalPos.toPoint();
    bool over = isVisible() && rect().contains(mapFromGlobal(global));
    if (over) {
        // Another window lying over the button hides it from the pointer.
        const QWidget* under = QApplication::widgetAt(global);
        over = under == nullptr || under == this;
    }
    if (!over) {
        endHover();
        return;
    }
    if (m_hovering)
        return;
    m_hovering = true;
    update();
}

void HoverButton::endHover() {
    if (!m_flat || !m_hovering)
        return;
    m_hovering = false;
    update();
}

void HoverButton::moveFocusAway() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (QWidget* next = nextTabStopIn(parent, this))
        next->setFocus(Qt::TabFocusReason);
    else
        parent->setFocus(Qt::OtherFocusReason);
}

void HoverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    const QRect item = rect();

    QColor back = m_colors[BackNormal];
    QColor textColor = m_colors[TextNormal];
    if (m_hovering || pressed) {
        back = m_colors[BackHover];
        textColor = m_colors[TextHover];
    } else if (focused) {
        back = m_colors[BackFocus];
        textColor = m_colors[TextFocus];
    }
    p.fillRect(item, back);

    const QColor highlight = systemHighlight(*this);
    const QColor shadow = systemShadow(*this);
    if (pressed)
        drawEdge(p, shadow, highlight);
    else if (m_hovering || !m_flat)
        drawEdge(p, highlight, shadow);

    const HoverButtonLayout layout = currentLayout();
    if (hasImage()) {
        if (disabled) {
            if (m_disabledImage.isNull()) {
                QStyleOptionButton option;
                option.initFrom(this);
                m_disabledImage = style()->generatedIconPixmap(QIcon::Disabled, m_image, &option);
            }
            p.drawPixmap(layout.image.topLeft(), m_disabledImage);
        } else {
            p.drawPixmap(layout.image.topLeft(), m_image);
        }
    }
    if (!text().isEmpty())
        drawCaption(p, layout.caption, textColor);

    // A flat button never shows a focus rectangle; a raised one marks the focus the usual way.
    if (!m_flat && focused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect =
            item.adjusted(kFocusRectInset, kFocusRectInset, -kFocusRectInset, -kFocusRectInset);
        option.backgroundColor = back;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

void HoverButton::drawEdge(QPainter& p, const QColor& topLeft, const QColor& bottomRight) const {
    const QRect r = rect();
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void HoverButton::drawCaption(QPainter& p, const QRect& area, const QColor& textColor) const {
    const QSize measured = p.fontMetrics().boundingRect(area, kCaptionFlags, text()).size();
    const QRect place = centreMeasuredText(area, measured);
    if (!isEnabled()) {
        p.setPen(systemHighlight(*this));
        p.drawText(place.translated(1, 1), kCaptionFlags, text());
        p.setPen(systemShadow(*this));
        p.drawText(place, kCaptionFlags, text());
        return;
    }
    p.setPen(textColor);
    p.drawText(place, kCaptionFlags, text());
}

} // namespace widgets
