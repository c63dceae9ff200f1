// The list window's marks on conflicting rows and its export of the list.

#include "tests/terminal_protocol/sample_report.h"
#include "tests/terminal_ui/list_window_fixture.h"
#include "widgets/hover_button.h"

#include <QAccessible>
#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTableWidget>

#include <cstdlib>

namespace terminal_ui_test {
namespace {

using terminal_setup::ExportFormat;
using terminal_setup::ExportTarget;
using terminal_test::patched;

// The example report (IP 192.168.1.200, ID 7, MAC ...4D5E) with another IP, ID and last MAC byte.
TerminalDatagram exampleWith(std::initializer_list<std::uint8_t> ip, std::uint8_t id,
                             std::uint8_t macLast) {
    return patched(patched(patched(kExampleReport, 10, ip), 36, {id}), 9, {macLast});
}

QString accessibleDescription(QTableWidget* list, int row, int column) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    QAccessibleInterface* cell = table ? table->tableInterface()->cellAt(row, column) : nullptr;
    return cell ? cell->text(QAccessible::Description) : QString();
}

TEST_F(ListWindowTest, ClashingAndUnreachableRowsAreColouredAndSayWhyToEveryReader) {
    openWindow();
    deliverReport(kExampleReport);
    deliverReport(exampleWith({192, 168, 1, 200}, 8, 0x5F)); // same IP
    deliverReport(exampleWith({192, 0, 2, 9}, 9, 0x60));     // outside loopback's network
    deliverReport(exampleWith({127, 0, 0, 9}, 10, 0x61));    // inside it: no mark

    const QString why = list()->item(0, 3)->toolTip();
    EXPECT_EQ(why.toStdString(),
              "Same IP as row 2 (ID 8, 001A－2B3C－4D5F).\nNot reachable from this PC: "
              "192.168.1.200 is outside 127.0.0.1/8, the network of lo.");
    EXPECT_EQ(accessibleDescription(list(), 0, 0), why);
    EXPECT_EQ(list()->item(1, 5)->background().color(), QColor(255, 185, 185));
    EXPECT_EQ(list()->item(2, 1)->background().color(), QColor(255, 232, 160));
    EXPECT_EQ(accessibleDescription(list(), 2, 1).toStdString(),
              "Not reachable from this PC: 192.0.2.9 is outside 127.0.0.1/8, the network of lo.");
    EXPECT_EQ(list()->item(3, 0)->background().style(), Qt::NoBrush);
    EXPECT_TRUE(accessibleDescription(list(), 3, 0).isEmpty());

    if (const char* path = std::getenv("QUELLIN_CONFLICT_SCREENSHOT")) {
        EXPECT_TRUE(m_window->grab().save(QString::fromLocal8Bit(path)));
    }
}

TEST_F(ListWindowTest, ExportSavesEachListedTerminalOnceInTheChosenFormat) {
    ExportTarget target{m_dir.file("site.json"), ExportFormat::Json};
    m_options.chooseExportFile = [&target](QWidget*) { return target; };
    openWindow();
    EXPECT_FALSE(button("exportButton")->isEnabled());
    EXPECT_FALSE(m_window->exportAction()->isEnabled());

    deliverReport(kExampleReport);
    deliverReport(kExampleReport); // the same terminal heard twice
    deliverReport(exampleWith({192, 0, 2, 9}, 9, 0x60));
    ASSERT_TRUE(m_window->actions().contains(m_window->exportAction()));
    m_window->exportAction()->trigger();
    const QJsonArray saved =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(test_support::TempDir::readFile(target.path)))
            .array();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[0].toObject()["mac"].toString().toStdString(), "001A－2B3C－4D5E");
    EXPECT_EQ(saved[1].toObject()["interface"].toString().toStdString(), "127.0.0.1");

    target = {m_dir.file("site.csv"), ExportFormat::Csv};
    click("exportButton");
    EXPECT_EQ(test_support::TempDir::readFile(target.path).rfind("id,name,model,", 0), 0u);

    target = {m_dir.file("no-such-folder/site.csv"), ExportFormat::Csv};
    click("exportButton");
    ASSERT_EQ(m_prompts.prompts.size(), 1u);
    EXPECT_EQ(m_prompts.prompts[0].text, "Cannot write " + target.path + ".");
}

} // namespace
} // namespace terminal_ui_test
