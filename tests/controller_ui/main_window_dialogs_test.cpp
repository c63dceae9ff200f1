#include "controller/ui/about_dialog.h"
#include "controller/ui/crosspoint_cursor.h"
#include "controller/ui/prompt_dialog.h"
#include "tests/controller_ui/main_window_fixture.h"
#include "tests/support/combo_input.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <cstdlib>

namespace controller_ui_test {
namespace {

QString accessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

TEST_F(MainWindowTest, EveryControlGridLabelAndMarkerHasAnAccessibleName) {
    controller::MainWindow& w = start();
    clickAt(crosspointCentre(w, 1, 3));
    int checked = 0;
    for (QWidget* child : w.findChildren<QWidget*>()) {
        const bool control =
            qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child);
        if (!control || child->isHidden() || !child->isVisibleTo(&w))
            continue;
        EXPECT_FALSE(child->accessibleName().isEmpty()) << child->objectName().toStdString();
        EXPECT_FALSE(accessibleName(child).isEmpty()) << child->objectName().toStdString();
        ++checked;
    }
    // 20 controls, 8 labels, 1 marker.
    EXPECT_EQ(checked, 29);
    // A list is named by the static text beside it, which assistive technology reads as its
    // label (the interface's own name is the entry shown).
    auto* com = control<QComboBox>("comCombo");
    EXPECT_EQ(com->accessibleName(), "COM Select");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(com);
    ASSERT_NE(iface, nullptr);
    QStringList labels;
    for (const auto& relation : iface->relations(QAccessible::Label))
        labels << relation.first->text(QAccessible::Name);
    EXPECT_TRUE(labels.contains("COM Select：")) << labels.join(',').toStdString();
    EXPECT_EQ(control<QComboBox>("matrixIdCombo")->accessibleName(), "Matrix ID");
    EXPECT_EQ(accessibleName(w.inputLabel(3)), "IN04");
    EXPECT_EQ(accessibleName(w.marker(1)), "Output 2 fed by input 4");
    // The grid's keyboard cursor went to the crosspoint the click switched.
    EXPECT_EQ(accessibleName(w.crosspointCursor()), "Input 4 to output 2, joined");
}

// Escape never closes the window; Tab meets the grid once, in its cursor; Return in a list
// presses no grid button. Wheels passing over lists and choosing the entry a list shows change
// nothing: no reopened port ("No serial port!" on COM3), no hidden marker, no forced AV mode,
// nothing written; a focused list still takes the wheel.
TEST_F(MainWindowTest, NoKeyWheelOrRepeatedChoiceActsByAccident) {
    writeSettings("SelectCOM=2\r\nSelectBAUD=2\r\nMatrixType=0\r\nMatrixSize=0\r\nAVMode=2\r\n");
    controller::MainWindow& w = start();
    w.show();
    QApplication::setActiveWindow(&w);
    clickAt(crosspointCentre(w, 0, 1));
    m_prompts.clear();
    const std::string file = settingsText();
    QTest::keyClick(&w, Qt::Key_Escape);

    std::vector<QWidget*> gridStops;
    const QRect frame = control<QWidget>("matrixSwitchGroup")->geometry();
    for (QWidget* x = w.nextInFocusChain(); x != &w; x = x->nextInFocusChain())
        if ((x->focusPolicy() & Qt::TabFocus) && x->isVisibleTo(&w) &&
            x->parentWidget() == w.content() && frame.intersects(x->geometry()))
            gridStops.push_back(x);
    EXPECT_EQ(gridStops, std::vector<QWidget*>{w.crosspointCursor()});
    for (auto* button : w.content()->findChildren<widgets::HoverButton*>())
        EXPECT_FALSE(button->autoDefault() || button->isDefault());

    control<QPushButton>("readDeviceButton")->setFocus();
    for (const char* name :
         {"comCombo", "baudCombo", "matrixModeCombo", "matrixTypeCombo", "matrixIdCombo"}) {
        auto* combo = control<QComboBox>(name);
        const int index = combo->currentIndex();
        test_support::turnWheel(combo, 1);
        test_support::chooseFromList(combo, index);
        QTest::keyClick(combo, Qt::Key_Return);
        EXPECT_EQ(combo->currentIndex(), index) << name;
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(m_prompts.prompts.empty());
    EXPECT_EQ(settingsText(), file);
    EXPECT_FALSE(w.marker(0)->isHidden());
    EXPECT_TRUE(control<QRadioButton>("avAudioRadio")->isChecked());
    EXPECT_TRUE(serialQuiet().empty());

    auto* size = control<QComboBox>("matrixModeCombo");
    size->setFocus();
    test_support::turnWheel(size, 1);
    EXPECT_EQ(w.gridLayout().portCount, 8);
    w.close(); // the close box
    EXPECT_FALSE(w.isVisible());
}

// On a screen smaller than the window every control and caption can be scrolled into view; on
// one that holds it the window shows everything at a fixed size.
TEST_F(MainWindowTest, OnASmallScreenEveryControlAndLabelCanBeReached) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=3\r\n");
    controller::MainWindow& w = start();
    QScrollArea* area = w.scrollArea();
    for (const QRect screen : {QRect(0, 27, 1366, 741), QRect(0, 0, 1280, 688)}) {
        w.fitToScreen(screen);
        w.show();
        processEventsFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(QRect(QPoint(0, 0), screen.size())
                        .contains(QRect(QPoint(0, 0), w.frameGeometry().size())));
        int reached = 0;
        for (QWidget* c : w.content()->findChildren<QWidget*>()) {
            if ((qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
                 qobject_cast<QComboBox*>(c)) &&
                c->isVisibleTo(w.content())) {
                area->ensureWidgetVisible(c, 0, 0);
                const QRect at(c->mapTo(area->viewport(), QPoint(0, 0)), c->size());
                EXPECT_TRUE(area->viewport()->rect().contains(at)) << c->objectName().toStdString();
                ++reached;
            }
        }
        EXPECT_GT(reached, 90); // 64 labels, the panel's controls and captions
    }
    if (const char* dir = std::getenv("BRISVANE_SCREENSHOTS"))
        w.grab().save(QString::fromLocal8Bit(dir) + "/screen-1280x720.png");
    w.fitToScreen(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(w.size(), w.content()->size());
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
}

TEST_F(MainWindowTest, ControlsCarryTheirCaptionsAndEntries) {
    controller::MainWindow& w = start();
    auto entries = [](QComboBox* combo) {
        std::vector<std::string> out;
        for (int i = 0; i < combo->count(); ++i)
            out.push_back(combo->itemText(i).toStdString());
        return out;
    };
    EXPECT_EQ(entries(control<QComboBox>("baudCombo")),
              (std::vector<std::string>{"2400", "4800", "9600", "19200"}));
    EXPECT_EQ(entries(control<QComboBox>("matrixModeCombo")),
              (std::vector<std::string>{"4 * 4 SW-MATRIX", "8 * 8 SW-MATRIX", "16*16 SW-MATRIX",
                                        "32*32 SW-MATRIX"}));
    EXPECT_EQ(entries(control<QComboBox>("matrixTypeCombo")),
              (std::vector<std::string>{"AV Matrix", "VGA Matrix", "DVI Matrix", "HDMI Matrix",
                                        "SDI Matrix", "Hybrid matrix"}));
    EXPECT_EQ(entries(control<QComboBox>("comCombo")).back(), "COM9 (not present)");
    EXPECT_EQ(entries(control<QComboBox>("matrixIdCombo")).back(), "FF");
    EXPECT_EQ(entries(control<QComboBox>("loadSceneCombo")).back(), "16");
    EXPECT_EQ(control<QComboBox>("saveSceneCombo")->currentIndex(), -1);
    EXPECT_EQ(control<QComboBox>("loadSceneCombo")->currentIndex(), -1);
    EXPECT_EQ(control<QPushButton>("exitButton")->text(), "EXIT");

    std::vector<std::string> texts;
    for (QLabel* label : w.findChildren<QLabel*>())
        texts.push_back(label->text().toStdString());
    for (const char* caption : {"COM Select：", "Baud：", "Matrix Mode：", "Matrix Type：",
                                "Matrix ID：", "Save Scene：", "Load Scene："})
        EXPECT_NE(std::find(texts.begin(), texts.end(), caption), texts.end()) << caption;

    press("exitButton");
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(PromptDialog, ShowsOneTextUnderItsCaptionAndClosesWithOk) {
    controller::PromptDialog dialog(
        QStringLiteral("Current equipment:HDMI Matrix\r\nDevice Address: 1\r\n"));
    EXPECT_EQ(dialog.windowTitle(), "Prompt");
    // Lines end as a label breaks them.
    EXPECT_EQ(dialog.text(), "Current equipment:HDMI Matrix\nDevice Address: 1\n");
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    dialog.show();
    ok->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutDialog, ShowsTheApplicationIconNameVersionAndSettingsFile) {
    controller::AboutDialog about(QStringLiteral("/home/op/.config/Brisvane/Setting.ini"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("aboutSettings"))->text(),
              "Settings file: /home/op/.config/Brisvane/Setting.ini");
    auto* icon = about.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("aboutName"))->text().contains("3.5"));
    EXPECT_NE(about.findChild<QPushButton*>(QStringLiteral("okButton")), nullptr);
}

} // namespace
} // namespace controller_ui_test
