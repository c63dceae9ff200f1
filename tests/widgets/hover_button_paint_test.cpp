#include "widgets/hover_button.h"
#include "widgets/resource_icons.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgets::HoverButton;

const QColor kBackNormal(200, 200, 200);
const QColor kBackHover(0, 200, 255);
const QColor kBackFocus(255, 255, 0);
const QColor kTextNormal(128, 0, 0);
const QColor kTextHover(0, 0, 128);
const QColor kTextFocus(0, 128, 0);
const QColor kHighlight(255, 255, 255);
const QColor kShadow(0, 0, 0);

// Buttons in a shown, active window, with known state colours and pure white and black as the
// 3D highlight and shadow, drawn with a font that has no antialiasing so caption pixels are
// either the pen colour or the background.
class HoverButtonPaintTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseMove(window.get(), QPoint(290, 190));
    }

    HoverButton* makeButton(const QString& caption, QRect geometry) {
        auto* button = new HoverButton(caption, window.get());
        QPalette palette = button->palette();
        palette.setColor(QPalette::Light, kHighlight);
        palette.setColor(QPalette::Dark, kShadow);
        button->setPalette(palette);
        QFont font = button->font();
        font.setStyleStrategy(QFont::NoAntialias);
        font.setPixelSize(14);
        button->setFont(font);
        button->SetStateColor(HoverButton::BackNormal, kBackNormal, false);
        button->SetStateColor(HoverButton::BackHover, kBackHover, false);
        button->SetStateColor(HoverButton::BackFocus, kBackFocus, false);
        button->SetStateColor(HoverButton::TextNormal, kTextNormal, false);
        button->SetStateColor(HoverButton::TextHover, kTextHover, false);
        button->SetStateColor(HoverButton::TextFocus, kTextFocus, false);
        button->setGeometry(geometry);
        button->show();
        return button;
    }

    void hover(HoverButton* button) {
        QTest::mouseMove(button, QPoint(2, 2));
        ASSERT_TRUE(button->isHovering());
    }

    static QImage grab(HoverButton* button) {
        return button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The image of a button that shows only `image` at `at` on `background`.
    static QImage expectedImageOnly(QSize size, const QColor& background, const QPixmap& image,
                                    QPoint at) {
        QImage expected(size, QImage::Format_RGB32);
        expected.fill(background);
        QPainter p(&expected);
        p.drawPixmap(at, image);
        return expected;
    }

    // Pixels that differ from `background` inside `area`: caption and image ink.
    static QRect inkBounds(const QImage& img, const QColor& background, QRect area) {
        QRect bounds;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (img.pixelColor(x, y) != background)
                    bounds |= QRect(x, y, 1, 1);
            }
        }
        return bounds;
    }

    std::unique_ptr<QWidget> window;
};

TEST_F(HoverButtonPaintTest, BackgroundFollowsHoverPressAndFocus) {
    HoverButton* button = makeButton(QString(), QRect(10, 10, 60, 30));
    EXPECT_EQ(grab(button).pixelColor(30, 15), kBackNormal);

    button->setFocus();
    EXPECT_EQ(grab(button).pixelColor(30, 15), kBackFocus);

    hover(button);
    EXPECT_EQ(grab(button).pixelColor(30, 15), kBackHover);

    QTest::mouseMove(window.get(), QPoint(290, 190));
    button->setDown(true);
    EXPECT_EQ(grab(button).pixelColor(30, 15), kBackHover);
}

TEST_F(HoverButtonPaintTest, FlatButtonShowsNoEdgeAndNoFocusRectangle) {
    HoverButton* button = makeButton(QString(), QRect(10, 10, 60, 30));
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    QImage expected(60, 30, QImage::Format_RGB32);
    expected.fill(kBackFocus);
    EXPECT_EQ(grab(button), expected);
}

TEST_F(HoverButtonPaintTest, HoverRaisesAndPressSinksTheEdge) {
    HoverButton* button = makeButton(QString(), QRect(10, 10, 60, 30));
    hover(button);
    QImage raised = grab(button);
    EXPECT_EQ(raised.pixelColor(0, 0), kHighlight);
    EXPECT_EQ(raised.pixelColor(30, 0), kHighlight);
    EXPECT_EQ(raised.pixelColor(0, 15), kHighlight);
    EXPECT_EQ(raised.pixelColor(59, 29), kShadow);
    EXPECT_EQ(raised.pixelColor(30, 29), kShadow);
    EXPECT_EQ(raised.pixelColor(59, 15), kShadow);
    EXPECT_EQ(raised.pixelColor(1, 1), kBackHover);

    button->setDown(true);
    QImage sunken = grab(button);
    EXPECT_EQ(sunken.pixelColor(0, 0), kShadow);
    EXPECT_EQ(sunken.pixelColor(30, 0), kShadow);
    EXPECT_EQ(sunken.pixelColor(59, 29), kHighlight);
    EXPECT_EQ(sunken.pixelColor(59, 15), kHighlight);
}

TEST_F(HoverButtonPaintTest, ImageWithoutCaptionIsCentred) {
    HoverButton* button = makeButton(QString(), QRect(10, 10, 40, 40));
    ASSERT_EQ(button->SetIcons(widgets::kMarkerIconId), HoverButton::kOk);
    const QPixmap dot = widgets::resourcePixmap(widgets::kMarkerIconId);
    EXPECT_EQ(grab(button), expectedImageOnly(QSize(40, 40), kBackNormal, dot, QPoint(4, 4)));

    // On the smallest markers the image is larger than the button and shows its middle.
    button->setGeometry(10, 10, 16, 16);
    EXPECT_EQ(grab(button), expectedImageOnly(QSize(16, 16), kBackNormal, dot, QPoint(-8, -8)));
}

TEST_F(HoverButtonPaintTest, ImageSitsThreePixelsFromLeftAndCaptionIsCentredInTheRest) {
    HoverButton* button = makeButton(QStringLiteral("Test"), QRect(10, 10, 140, 40));
    ASSERT_EQ(button->SetIcons(widgets::kTestIconId), HoverButton::kOk);
    const QImage img = grab(button);
    const QImage expectedImage = expectedImageOnly(
        QSize(32, 32), kBackNormal, widgets::resourcePixmap(widgets::kTestIconId), QPoint(0, 0));
    EXPECT_EQ(img.copy(3, 4, 32, 32), expectedImage);

    const QRect ink = inkBounds(img, kBackNormal, QRect(35, 0, 105, 40));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(img.pixelColor(ink.center()).isValid(), true);
    // Centred in x 35..139 (centre 87) and y 0..39, give or take the glyphs' side bearings.
    EXPECT_NEAR((ink.left() + ink.right()) / 2.0, 87.0, 2.0);
    EXPECT_NEAR((ink.top() + ink.bottom()) / 2.0, 19.5, 3.0);
    EXPECT_TRUE(inkBounds(img, kBackNormal, QRect(0, 0, 3, 40)).isEmpty());
}

TEST_F(HoverButtonPaintTest, PressMovesImageAndCaptionOnePixelRightAndDown) {
    HoverButton* button = makeButton(QStringLiteral("Scan"), QRect(10, 10, 120, 40));
    ASSERT_EQ(button->SetIcons(widgets::kMarkerIconId), HoverButton::kOk);
    hover(button);
    const QImage up = grab(button);
    button->setDown(true);
    const QImage down = grab(button);
    // Inside the edges, everything drawn while pressed is what was drawn before, one pixel on.
    const QRect inside(1, 1, 117, 37);
    EXPECT_EQ(down.copy(inside.translated(1, 1)), up.copy(inside));
    EXPECT_NE(down.copy(inside), up.copy(inside));
}

TEST_F(HoverButtonPaintTest, CaptionTakesTheColourOfTheState) {
    HoverButton* button = makeButton(QStringLiteral("IN01"), QRect(10, 10, 60, 30));
    auto countOf = [&](const QColor& colour) {
        const QImage img = grab(button);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == colour ? 1 : 0;
        return n;
    };
    EXPECT_GT(countOf(kTextNormal), 0);
    button->setFocus();
    EXPECT_GT(countOf(kTextFocus), 0);
    EXPECT_EQ(countOf(kTextNormal), 0);
    hover(button);
    EXPECT_GT(countOf(kTextHover), 0);
    EXPECT_EQ(countOf(kTextFocus), 0);
}

TEST_F(HoverButtonPaintTest, DisabledCaptionIsEmbossed) {
    HoverButton* button = makeButton(QStringLiteral("Setup"), QRect(10, 10, 100, 30));
    button->setEnabled(false);
    const QImage img = grab(button);
    int shadowPixels = 0;
    int highlightPixels = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            EXPECT_TRUE(c == kBackNormal || c == kShadow || c == kHighlight)
                << "pixel " << x << "," << y << " is neither background nor emboss colour";
            if (c == kShadow) {
                ++shadowPixels;
                // The highlight copy lies one pixel right and down, under the shadow copy.
                const QColor below = img.pixelColor(x + 1, y + 1);
                EXPECT_TRUE(below == kHighlight || below == kShadow) << "at " << x << "," << y;
            } else if (c == kHighlight) {
                ++highlightPixels;
                EXPECT_EQ(img.pixelColor(x - 1, y - 1), kShadow) << "at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(shadowPixels, 0);
    EXPECT_GT(highlightPixels, 0);
}

TEST_F(HoverButtonPaintTest, DisabledImageIsDrawnGreyed) {
    HoverButton* button = makeButton(QString(), QRect(10, 10, 40, 40));
    ASSERT_EQ(button->SetIcons(widgets::kMarkerIconId), HoverButton::kOk);
    const QColor enabledCentre = grab(button).pixelColor(20, 22);
    EXPECT_GT(enabledCentre.red() - enabledCentre.blue(), 100) << "the marker dot is red";
    button->setEnabled(false);
    const QColor disabledCentre = grab(button).pixelColor(20, 22);
    EXPECT_LT(std::abs(disabledCentre.red() - disabledCentre.blue()), 40)
        << "the disabled dot is grey";
}

} // namespace
