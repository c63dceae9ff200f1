#include "tests/terminal_ui/setup_test_record.h"

#include "widgets/ip_address_edit.h"

#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace setup_test {

terminal_setup::TerminalRecord recordOf(const TerminalDatagram& bytes) {
    const std::optional<terminal_setup::TerminalRecord> record =
        terminal_setup::acceptReport(bytes);
    EXPECT_TRUE(record.has_value());
    // Every caller passes a report; a failure above already marks the test.
    return record.value_or(*terminal_setup::acceptReport(kReport));
}

terminal_setup::SetupDialogInputs reportInputs() {
    terminal_setup::SetupDialogInputs inputs;
    inputs.recordIndex = 0;
    inputs.idText = "5";
    inputs.macText = "001A－2B3C－4D5E";
    inputs.nameText = "AB";
    inputs.ipText = "192.0.2.20";
    inputs.softwareVersion = 0x1A;
    inputs.hardwareVersion = 0x21;
    inputs.dnsText = "8.8.4.4";
    inputs.maskText = "255.255.255.0";
    inputs.port = 8866;
    inputs.dhcpFlag = 0;
    inputs.workMode = 1;
    inputs.baudIndex = 6;
    inputs.multicastText = "224.0.0.41";
    inputs.hostIpText = "192.0.2.100";
    inputs.hostPortText = "8867";
    inputs.gatewayText = "192.0.2.1";
    inputs.terminalCount = 1;
    return inputs;
}

void retype(QLineEdit* edit, const QString& text) {
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        // The key table of the test library knows ASCII only; other characters arrive as the
        // text of a key without a code, as an input method delivers them.
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void retypeAddress(widgets::IpAddressEdit* edit, const QString& dotted) {
    ASSERT_NE(edit, nullptr);
    const QStringList parts = dotted.split(QLatin1Char('.'));
    ASSERT_EQ(parts.size(), widgets::IpAddressEdit::kFieldCount);
    for (int i = 0; i < widgets::IpAddressEdit::kFieldCount; ++i)
        retype(edit->field(i), parts[i]);
}

} // namespace setup_test
