#include "widgets/hover_button_layout.h"

namespace widgets {

HoverButtonLayout layoutHoverButton(const QRect& item, const QSize& imageSize, bool hasCaption,
                                    bool pressed) {
    HoverButtonLayout layout;
    layout.caption = item;
    if (!imageSize.isEmpty()) {
        const int w = imageSize.width();
        const int h = imageSize.height();
        const int x = hasCaption ? item.left() + HoverButtonLayout::kImageMargin
                                 : item.left() + (item.width() - w) / 2;
        const int y = item.top() + (item.height() - h) / 2;
        layout.image = QRect(x, y, w, h);
        if (hasCaption)
            layout.caption.setLeft(item.left() + w + HoverButtonLayout::kImageMargin);
    }
    if (pressed) {
        if (!imageSize.isEmpty())
            layout.image.translate(HoverButtonLayout::kPressedShift);
        layout.caption.translate(HoverButtonLayout::kPressedShift);
    }
    return layout;
}

QRect centreMeasuredText(const QRect& captionArea, const QSize& measured) {
    const int dx = (captionArea.width() - measured.width()) / 2;
    const int dy = (captionArea.height() - measured.height()) / 2;
    return QRect(captionArea.left() + dx, captionArea.top() + dy, measured.width(),
                 measured.height());
}

} // namespace widgets
