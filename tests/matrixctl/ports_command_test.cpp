// "matrixctl ports" in this process, with the machine's serial ports given by the test: each COM
// entry that stands for a device as Brisvane maps them, then the ports no entry reaches.
#include "controller/matrixctl/matrixctl_runner.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace matrixctl {
namespace {

using test_support::TempDir;

TEST(PortsCommand, ListsTheEntriesAsBrisvaneMapsThemThenTheOtherPorts) {
    TempDir dir;
    // COM1 is kept in the file; COM2 and COM3 have no key and take the machine's ports in the
    // order of their stable names; the rest stand for nothing.
    const std::string gone = dir.file("gone");
    std::string ports = "[Ports]\r\nCOM1=" + gone + "\r\n";
    for (int n = 4; n <= 9; ++n)
        ports += "COM" + std::to_string(n) + "=\r\n";
    TempDir::writeFile(dir.file("Setting.ini"), ports);
    const std::vector<controller::SerialPortRecord> machine{
        {"/dev/ttyUSB1", "/dev/serial/by-id/usb-Prolific-port0", "USB-Serial\tController", "", "",
         ""},
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-port0", "FT232R USB UART", "", "", ""}};

    for (const bool json : {false, true}) {
        Invocation invocation;
        invocation.request.command = Command::Ports;
        invocation.options.settingsFile = dir.file("Setting.ini");
        invocation.options.json = json;
        RunnerEnvironment environment;
        environment.ports.enumerate = [&] { return machine; };
        environment.ports.open = [](const std::string&) {
            ADD_FAILURE() << "ports opens nothing";
            return platform::SerialOpenResult{};
        };
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(Runner(invocation, environment, out, err).run(), kConfirmed);
        EXPECT_EQ(err.str(), "");
        EXPECT_EQ(
            out.str(),
            json ? "[{\"com\": \"COM1\", \"path\": \"" + gone + "\", \"stableName\": \"" + gone +
                       "\", \"description\": \"\", \"present\": false}, {\"com\": \"COM2\", "
                       "\"path\": \"/dev/ttyUSB0\", \"stableName\": "
                       "\"/dev/serial/by-id/usb-FTDI-port0\", \"description\": \"FT232R USB "
                       "UART\", \"present\": true}, {\"com\": \"COM3\", \"path\": "
                       "\"/dev/ttyUSB1\", \"stableName\": "
                       "\"/dev/serial/by-id/usb-Prolific-port0\", \"description\": "
                       "\"USB-Serial\\u0009Controller\", \"present\": true}]\n"
                 : "COM1\t" + gone + "\t" + gone +
                       "\t(not present)\n"
                       "COM2\t/dev/ttyUSB0\t/dev/serial/by-id/usb-FTDI-port0\tFT232R USB UART\n"
                       "COM3\t/dev/ttyUSB1\t/dev/serial/by-id/usb-Prolific-port0\tUSB-Serial "
                       "Controller\n");
    }

    // No device at all: standard error says so.
    std::string none = "[Ports]\r\n";
    for (int n = 1; n <= 9; ++n)
        none += "COM" + std::to_string(n) + "=\r\n";
    TempDir::writeFile(dir.file("Setting.ini"), none);
    Invocation invocation;
    invocation.request.command = Command::Ports;
    invocation.options.settingsFile = dir.file("Setting.ini");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(Runner(invocation, RunnerEnvironment{}, out, err).run(), kConfirmed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "matrixctl: no serial devices found\n");
}

} // namespace
} // namespace matrixctl
