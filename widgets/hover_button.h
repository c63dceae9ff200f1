#pragma once

#include "widgets/hover_button_layout.h"

#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include <array>

namespace widgets {

// A push button that paints itself: a flat face that rises while the pointer is over it and sinks
// while pressed, an optional image left of the caption (or centred without one), a background and
// text colour per state, and an embossed caption when disabled. The hover look ends as soon as the
// pointer leaves, the button loses the focus or is disabled, or its window is deactivated.
// Default-button handling in dialogs is QPushButton's own (default / autoDefault), so Enter still
// goes to the dialog's default button. A double click counts as one more click.
class HoverButton : public QPushButton {
    Q_OBJECT

public:
    enum ColorIndex {
        BackHover = 0,  // background while hovering or pressed
        TextHover = 1,  // caption while hovering or pressed
        BackNormal = 2, // background otherwise
        TextNormal = 3,
        BackFocus = 4, // background while focused (not hovering, not pressed)
        TextFocus = 5,
    };
    static constexpr int kColorCount = 6;

    // Results of SetIcons and SetStateColor.
    static constexpr int kOk = 0;
    static constexpr int kNoIcon = 1;
    static constexpr int kBadColorIndex = 3;

    explicit HoverButton(QWidget* parent = nullptr);
    explicit HoverButton(const QString& caption, QWidget* parent = nullptr);

    // Loads icon resource `resourceId` at its own size and repaints. Returns kNoIcon, and keeps no
    // image at all, when the resource does not exist or cannot be read; kOk otherwise.
    int SetIcons(int resourceId);
    // Shows `image` instead of a resource (a null pixmap removes the image); repaints.
    void setImage(const QPixmap& image);

    void SetFlatLook(bool flat, bool repaint = true);
    // Returns kOk, or kBadColorIndex and changes nothing when index is not 0..5.
    int SetStateColor(int index, const QColor& color, bool repaint = true);
    // Backgrounds to the system button-face colour, texts to the system button-text colour.
    void ResetColors(bool repaint = true);

    bool isFlatLook() const { return m_flat; }
    bool isHovering() const { return m_hovering; }
    // The colour of index 0..5; an invalid colour for any other index.
    QColor stateColor(int index) const;
    bool hasImage() const { return !m_image.isNull(); }
    QSize imageSize() const;

    // Where the image and caption area go at the current size and press state.
    HoverButtonLayout currentLayout() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void trackPointer(const QPointF& globalPos, Qt::MouseButtons buttons);
    void endHover();
    void moveFocusAway();
    void drawEdge(QPainter& p, const QColor& topLeft, const QColor& bottomRight) const;
    void drawCaption(QPainter& p, const QRect& area, const QColor& textColor) const;

    bool m_flat = true;
    bool m_hovering = false;
    std::array<QColor, kColorCount> m_colors;
    QPalette m_systemPalette; // the application's palette when the colours were last reset
    QPixmap m_image;
    mutable QPixmap m_disabledImage; // made from m_image when first needed
};

} // namespace widgets
