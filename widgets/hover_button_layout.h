#pragma once

#include <QRect>
#include <QSize>

namespace widgets {

// Where a hover button puts its image and caption. Rectangles use QRect's left/top plus width and
// height; every halving truncates toward zero, as C++ integer division does, so an image larger
// than the button is centred with a negative offset and clipped evenly.
struct HoverButtonLayout {
    static constexpr int kImageMargin = 3; // image to left edge when there is a caption
    static constexpr QPoint kPressedShift = QPoint(1, 1); // image and caption while pressed

    QRect image;   // empty when the button has no image
    QRect caption; // the area the caption is centred in
};

// Places an image of imageSize (empty for none) in the item rectangle: centred when there is no
// caption, else kImageMargin from the left with the caption area starting right after the image.
// Both are vertically centred and move by kPressedShift while pressed.
HoverButtonLayout layoutHoverButton(const QRect& item, const QSize& imageSize, bool hasCaption,
                                    bool pressed);

// Centres the measured extent of the caption text inside the caption area.
QRect centreMeasuredText(const QRect& captionArea, const QSize& measured);

} // namespace widgets
