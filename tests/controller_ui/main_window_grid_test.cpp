#include "controller/ui/crosspoint_cursor.h"
#include "tests/controller_ui/main_window_fixture.h"

#include "widgets/hover_button.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <cstdlib>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

QRect markerGeometry(const MainWindow& w, int output) {
    return w.marker(output)->geometry();
}

struct ClickCase {
    const char* name;
    int matrixSize;
    int output;
    int input;
    Bytes frame;
    QRect marker;
};

class CrosspointClick : public MainWindowTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(CrosspointClick, PutsTheSwitchFrameOnTheLineAndMovesTheMarker) {
    const ClickCase& c = GetParam();
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=" +
                  std::to_string(c.matrixSize) + "\r\n");
    MainWindow& w = start();
    ASSERT_TRUE(w.session().serialOpen());
    clickAt(crosspointCentre(w, c.output, c.input));
    EXPECT_EQ(serialOut(c.frame.size()), c.frame);
    EXPECT_FALSE(w.marker(c.output)->isHidden());
    EXPECT_EQ(markerGeometry(w, c.output), c.marker);
    EXPECT_EQ(w.marker(c.output)->accessibleName().toStdString(),
              "Output " + std::to_string(c.output + 1) + " fed by input " +
                  std::to_string(c.input + 1));
}

// The grid's cursor walks there by keys, stopping at the edges, and Enter (Space on odd
// outputs) switches with the same frame and marker as a click; its accessible name follows.
// Before the cursor shows, Enter only shows it.
TEST_P(CrosspointClick, KeyboardSwitchesExactlyAsAClick) {
    const ClickCase& c = GetParam();
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=" +
                  std::to_string(c.matrixSize) + "\r\n");
    MainWindow& w = start();
    QWidget* cursor = w.crosspointCursor();
    const int last = w.gridLayout().portCount - 1;
    QTest::keyClick(cursor, Qt::Key_Return); // only shows the cursor
    EXPECT_TRUE(serialQuiet().empty());
    QTest::keyClick(cursor, Qt::Key_End);
    for (int k = 0; k <= last; ++k) {
        QTest::keyClick(cursor, Qt::Key_Up);
        QTest::keyClick(cursor, Qt::Key_Right);
    }
    for (int k = 0; k < last - c.output; ++k)
        QTest::keyClick(cursor, Qt::Key_Left);
    for (int k = 0; k < c.input; ++k)
        QTest::keyClick(cursor, Qt::Key_Down);
    const std::string name =
        "Input " + std::to_string(c.input + 1) + " to output " + std::to_string(c.output + 1);
    EXPECT_EQ(cursor->accessibleName().toStdString(), name + ", not joined");
    EXPECT_EQ(w.inputLabel(c.input)->stateColor(widgets::HoverButton::BackNormal),
              QColor(255, 0, 0));

    QTest::keyClick(cursor, c.output % 2 ? Qt::Key_Space : Qt::Key_Return);
    EXPECT_EQ(serialOut(c.frame.size()), c.frame);
    EXPECT_EQ(markerGeometry(w, c.output), c.marker);
    EXPECT_EQ(cursor->accessibleName().toStdString(), name + ", joined");
}

INSTANTIATE_TEST_SUITE_P(EachSize, CrosspointClick,
                         testing::Values(ClickCase{"FourByFour",
                                                   0,
                                                   1,
                                                   0,
                                                   {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x01, 0x00, 0x67},
                                                   QRect(190, 60, 40, 40)},
                                         // Input 3 to output 5 on screen: the worked example.
                                         ClickCase{"EightByEight",
                                                   1,
                                                   4,
                                                   2,
                                                   {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C},
                                                   QRect(325, 195, 30, 30)},
                                         ClickCase{"SixteenBySixteen",
                                                   2,
                                                   15,
                                                   15,
                                                   {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x0F, 0x0F, 0x84},
                                                   QRect(555, 555, 30, 30)},
                                         ClickCase{"ThirtyTwoByThirtyTwo",
                                                   3,
                                                   31,
                                                   0,
                                                   {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x1F, 0x00, 0x85},
                                                   QRect(652, 32, 16, 16)}),
                         [](const testing::TestParamInfo<ClickCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainWindowTest, ClickBetweenTwoColumnsSendsNothingAndTheNextPixelHitsTheColumn) {
    MainWindow& w = start();
    clickAt(QPoint(145, 80));
    EXPECT_EQ(w.lastRow(), 0);
    EXPECT_EQ(w.lastColumn(), controller::kNoPort);
    EXPECT_TRUE(serialQuiet().empty());
    EXPECT_TRUE(w.marker(0)->isHidden());
    EXPECT_TRUE(w.marker(1)->isHidden());

    clickAt(QPoint(146, 80));
    EXPECT_EQ(serialOut(8), (Bytes{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x01, 0x00, 0x67}));
}

TEST_F(MainWindowTest, ClicksOnOrOutsideTheGridFrameAreIgnored) {
    MainWindow& w = start();
    const controller::GridRect frame = w.gridFrame();
    auto* group = control<QGroupBox>("matrixSwitchGroup");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(QRect(frame.left, frame.top, frame.width, frame.height), group->geometry());
    EXPECT_TRUE(group->testAttribute(Qt::WA_TransparentForMouseEvents));
    // Every layout lies inside the frame.
    EXPECT_LT(frame.left, 15);
    EXPECT_GT(frame.right(), 715);
    EXPECT_GT(frame.bottom(), 707);

    clickAt(QPoint(frame.left, 80)); // on the edge: not inside
    clickAt(QPoint(frame.right() + 20, 80));
    EXPECT_TRUE(serialQuiet().empty());
    EXPECT_EQ(w.lastRow(), controller::kNoPort);
}

TEST_F(MainWindowTest, MovingOverTheGridHighlightsTheRowAndColumnLabels) {
    MainWindow& w = start();
    const QColor normal(0, 200, 255);
    const QColor red(255, 0, 0);
    auto back = [](widgets::HoverButton* b) {
        return b->stateColor(widgets::HoverButton::BackNormal);
    };

    moveTo(crosspointCentre(w, 2, 1));
    EXPECT_EQ(back(w.inputLabel(1)), red);
    EXPECT_EQ(back(w.outputLabel(2)), red);
    EXPECT_EQ(back(w.inputLabel(0)), normal);
    EXPECT_EQ(back(w.outputLabel(3)), normal);

    // Over a row but between two columns: the column labels stay as they were.
    moveTo(QPoint(145, crosspointCentre(w, 0, 3).y()));
    EXPECT_EQ(back(w.inputLabel(1)), normal);
    EXPECT_EQ(back(w.inputLabel(3)), red);
    EXPECT_EQ(back(w.outputLabel(2)), red);
    EXPECT_TRUE(serialQuiet().empty()); // moves never switch

    // The labels' other colours are those of the grid.
    EXPECT_EQ(w.inputLabel(0)->stateColor(widgets::HoverButton::BackHover), normal);
    EXPECT_EQ(w.inputLabel(0)->stateColor(widgets::HoverButton::BackFocus), normal);
    EXPECT_EQ(w.inputLabel(0)->stateColor(widgets::HoverButton::TextNormal), QColor(128, 0, 0));
    EXPECT_EQ(w.inputLabel(0)->stateColor(widgets::HoverButton::TextHover), QColor(128, 0, 0));
}

TEST_F(MainWindowTest, SwitchStateReplyPlacesEveryMarkerOnItsInputsRow) {
    MainWindow& w = start();
    // Outputs 1 and 2 (on screen) on input 3, output 3 on input 1, output 4 on input 2.
    deviceSends(
        {0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02, 0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78});
    ASSERT_TRUE(waitFor([&] { return !w.marker(3)->isHidden(); }));
    EXPECT_EQ(markerGeometry(w, 0), QRect(60, 320, 40, 40));
    EXPECT_EQ(markerGeometry(w, 1), QRect(190, 320, 40, 40));
    EXPECT_EQ(markerGeometry(w, 2), QRect(320, 60, 40, 40));
    EXPECT_EQ(markerGeometry(w, 3), QRect(450, 190, 40, 40));
}

TEST_F(MainWindowTest, MatrixIdFfAddressesEveryDevice) {
    MainWindow& w = start();
    choose("matrixIdCombo", 8);
    EXPECT_EQ(w.session().deviceAddress(), 0xFF);
    choose("matrixIdCombo", 4);
    EXPECT_EQ(w.session().deviceAddress(), 5);
}

TEST_F(MainWindowTest, SizeChangeLaysOutTheNewGridHidesMarkersAndIsSaved) {
    MainWindow& w = start();
    clickAt(crosspointCentre(w, 0, 0));
    ASSERT_FALSE(w.marker(0)->isHidden());

    choose("matrixModeCombo", 2);
    for (int k = 0; k < 32; ++k)
        EXPECT_TRUE(w.marker(k)->isHidden()) << k;
    EXPECT_EQ(w.gridLayout().portCount, 16);
    for (int k = 0; k < 16; ++k) {
        SCOPED_TRACE(k);
        EXPECT_FALSE(w.outputLabel(k)->isHidden());
        // OUT01, OUT03, ... at 600; OUT02, OUT04, ... at 630.
        EXPECT_EQ(w.outputLabel(k)->geometry().top(), k % 2 == 0 ? 600 : 630);
        EXPECT_EQ(w.inputLabel(k)->geometry().left(), 610);
    }
    EXPECT_TRUE(w.outputLabel(16)->isHidden());
    EXPECT_EQ(w.outputLabel(0)->text(), "OUT01");
    EXPECT_EQ(w.outputLabel(15)->text(), "OUT16");
    EXPECT_NE(settingsText().find("MatrixSize=2"), std::string::npos);

    choose("matrixModeCombo", 3);
    EXPECT_EQ(w.outputLabel(0)->text(), "out01");
    EXPECT_EQ(w.outputLabel(31)->text(), "out32");
    EXPECT_EQ(w.inputLabel(31)->text(), "IN32");
    EXPECT_EQ(w.inputLabel(31)->accessibleName(), "IN32");

    choose("matrixModeCombo", 1);
    EXPECT_EQ(w.outputLabel(7)->text(), "OUT08");
    EXPECT_TRUE(w.outputLabel(8)->isHidden());
    EXPECT_TRUE(w.inputLabel(31)->isHidden());
}

// On a dark desktop with a 10 pt "Noto Sans" font: the grid paints its own light background, so
// its blue lines stay readable; every grid caption fits its label on one line at every size, and
// every panel control and caption has the room it asks for.
TEST_F(MainWindowTest, OnADarkTenPointNotoSansDesktopTheGridReadsAndNoCaptionIsClipped) {
    struct DesktopGuard {
        QFont font = QApplication::font();
        QPalette palette = QApplication::palette();
        ~DesktopGuard() {
            QApplication::setFont(font);
            QApplication::setPalette(palette);
        }
    } guard;
    QPalette dark(QColor(60, 60, 64), QColor(45, 45, 48)); // button, window
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    QApplication::setFont(QFont("Noto Sans", 10));
    ASSERT_EQ(QFontInfo(QApplication::font()).family(), "Noto Sans");
    MainWindow& w = start();
    w.fitToScreen(QRect(0, 0, 1920, 1080));
    clickAt(crosspointCentre(w, 2, 1));
    w.show();
    const QImage image = w.content()->grab().toImage();
    const QColor line = image.pixelColor(300, 80); // the first row's line
    EXPECT_TRUE(line.red() < 16 && line.green() < 16 && line.blue() > 240);
    EXPECT_GT(image.pixelColor(30, 40).lightness(), 200); // inside the frame
    EXPECT_GT(image.pixelColor(w.marker(2)->pos() + QPoint(1, 1)).lightness(), 200); // a marker
    EXPECT_LT(image.pixelColor(w.content()->width() - 2, 300).lightness(), 80);      // the theme's

    for (int size : {0, 1, 2, 3}) {
        choose("matrixModeCombo", size);
        for (int k = 0; k < w.gridLayout().portCount; ++k)
            for (widgets::HoverButton* label : {w.inputLabel(k), w.outputLabel(k)}) {
                const QFontMetrics metrics(label->font());
                EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width()) << k;
                EXPECT_LE(metrics.height(), label->height()) << k;
            }
    }
    for (QWidget* c : control<QWidget>("controlPanel")->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
            qobject_cast<QComboBox*>(c)) {
            EXPECT_TRUE(c->width() >= c->minimumSizeHint().width() &&
                        c->height() >= c->minimumSizeHint().height())
                << c->objectName().toStdString();
        }
    }
    if (const char* dir = std::getenv("BRISVANE_SCREENSHOTS")) {
        deviceSends({0xBA, 0x01, 0x01, 0x06, 0xA6, 0x00, 0x1F, 0x1F, 0x00, 0x00});
        w.grab().save(QString::fromLocal8Bit(dir) + "/dark-noto-32x32.png");
    }
}

// A named port shows its name on its label where it fits (cut short, or its number, where not),
// and always in its tooltip and accessible name; a double click names it in the file.
TEST_F(MainWindowTest, PortNamesShowOnTheLabelsAndADoubleClickEditsThem) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=1\r\n");
    test_support::TempDir::writeFile(settingsPath(), settingsText() +
                                                         "[Names]\r\nIn3=Cam\r\n"
                                                         "Out5=Projector left and right\r\n");
    MainWindow& w = start();
    const auto caption = [](const widgets::HoverButton* label) {
        return std::vector<std::string>{label->text().toStdString(), label->toolTip().toStdString(),
                                        label->accessibleName().toStdString()};
    };
    EXPECT_EQ(caption(w.inputLabel(2)), (std::vector<std::string>{"Cam", "IN03: Cam", "IN03 Cam"}));
    EXPECT_EQ(caption(w.inputLabel(0)),
              (std::vector<std::string>{"IN01", "IN01 (double-click to name it)", "IN01"}));
    const QString shown = w.outputLabel(4)->text();
    EXPECT_TRUE(shown == "OUT05" ||
                (shown.endsWith(QChar(0x2026)) &&
                 QString("Projector left and right").startsWith(shown.chopped(1))))
        << shown.toStdString();
    EXPECT_EQ(w.outputLabel(4)->toolTip().toStdString(), "OUT05: Projector left and right");

    std::vector<std::string> asked;
    w.setNameEditor([&](const QString& port, const std::string& name) {
        asked.push_back(port.toStdString() + "|" + name);
        return std::optional<std::string>(" Lectern\t");
    });
    QTest::mouseDClick(w.inputLabel(2), Qt::LeftButton);
    EXPECT_EQ(asked, std::vector<std::string>{"IN03|Cam"});
    EXPECT_EQ(caption(w.inputLabel(2)),
              (std::vector<std::string>{"Lectern", "IN03: Lectern", "IN03 Lectern"}));
    EXPECT_NE(settingsText().find("\r\nIn3=Lectern\r\n"), std::string::npos) << settingsText();
    EXPECT_TRUE(serialQuiet().empty());

    // At 32x32 the numbers are lower case, and the names follow the new layout.
    choose("matrixModeCombo", 3);
    EXPECT_EQ(w.outputLabel(4)->toolTip().toStdString(), "out05: Projector left and right");
    EXPECT_EQ(w.inputLabel(2)->accessibleName().toStdString(), "IN03 Lectern");
    EXPECT_EQ(w.portNamer()(controller::PortKind::Input, 3), "Lectern");
}

// A backup is written only from a read-back that reports every output; a silent device gives
// one message, the backup's.
TEST_F(MainWindowTest, SavingCrosspointsNeedsTheDevicesReportOfEveryOutput) {
    MainWindow& w = start();
    const std::string path = m_dir.file("backup.json");
    w.setBackupFileChooser([&](bool forSaving) {
        EXPECT_TRUE(forSaving);
        return QString::fromStdString(path);
    });
    w.saveCrosspoints();
    EXPECT_FALSE(serialQuiet().empty());
    deviceSends({0xBA, 0x01, 0x02, 0x06, 0xA6, 0x00, 0x02, 0x01, 0x02, 0x6E});
    ASSERT_TRUE(waitFor([&] { return !w.backupRunning(); }));
    w.setBackupReadBackTimeout(std::chrono::milliseconds(50));
    w.saveCrosspoints();
    ASSERT_TRUE(waitFor([&] { return !w.backupRunning(); }));
    EXPECT_EQ(m_prompts.texts(),
              (std::vector<std::string>{
                  "The device reported 2 of 4 outputs; " + path + " is not written.",
                  "The device did not report its crosspoints; " + path + " is not written."}));
    EXPECT_FALSE(test_support::TempDir::exists(path));
}

TEST_F(MainWindowTest, UnreadableSizeInTheFileShowsFourByFour) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=7\r\n");
    MainWindow& w = start();
    EXPECT_EQ(w.gridLayout().portCount, 4);
    EXPECT_EQ(control<QComboBox>("matrixModeCombo")->currentIndex(), 0);
}

} // namespace
} // namespace controller_ui_test
