#include "controller/ui/about_dialog.h"
#include "controller/ui/prompt_dialog.h"
#include "tests/controller_ui/main_window_fixture.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

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

TEST(AboutDialog, ShowsTheApplicationIconNameAndVersion) {
    controller::AboutDialog about;
    auto* icon = about.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("aboutName"))->text().contains("3.5"));
    EXPECT_NE(about.findChild<QPushButton*>(QStringLiteral("okButton")), nullptr);
}

} // namespace
} // namespace controller_ui_test
