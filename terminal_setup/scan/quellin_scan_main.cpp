// quellin-scan: finds serial-to-Ethernet terminals from the command line, as Quellin's Scan or
// Test does, and prints them as a table, JSON or CSV.

#include "platform/profile.h"
#include "platform/qt/settings_location.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/protocol/terminal_export.h"
#include "terminal_setup/scan/scan_options.h"
#include "terminal_setup/scan/scan_session.h"
#include "terminal_setup/scan/terminal_text_table.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace terminal_setup;

constexpr int kAnswered = 0;
constexpr int kNoAnswer = 1;
constexpr int kFailed = 2;
constexpr int kDefaultHostPort = 8866;
constexpr std::size_t kInterfaceNameChars = 63;

int fail(const std::string& why) {
    std::fprintf(stderr, "quellin-scan: %s\n", why.c_str());
    return kFailed;
}

// What Quellin keeps in Quellin.ini: the interface it used last and the Host Port of Test.
// Read only; the file is Quellin's.
struct Remembered {
    std::string interfaceName;
    unsigned hostPort = kDefaultHostPort;
};

Remembered readQuellinSettings() {
    const std::string path = platform::findSettingsFile(QCoreApplication::applicationDirPath(),
                                                        QStringLiteral("Quellin.ini"))
                                 .toStdString();
    Remembered remembered;
    remembered.interfaceName =
        platform::getProfileString("Net", "NetInterface", "", kInterfaceNameChars, path);
    remembered.hostPort =
        static_cast<unsigned>(platform::getProfileInt("Net", "NetPort", kDefaultHostPort, path));
    return remembered;
}

void printMarks(const std::vector<ListedTerminal>& rows) {
    const std::vector<TerminalMarks> marks = markTerminals(rows);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const std::string& sentence : describeMarks(rows, row, marks[row]))
            std::fprintf(stderr, "row %zu: %s\n", row + 1, sentence.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Quellin's own settings folder, where an installed Quellin keeps Quellin.ini.
    QCoreApplication::setApplicationName(QStringLiteral("Quellin"));

    std::string error;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto options = parseScanOptions(arguments, error);
    if (!options)
        return fail(error + " (quellin-scan --help tells the options)");
    if (options->help) {
        std::fputs(kScanUsage, stdout);
        return kAnswered;
    }

    const bool testing = !options->testAddress.empty();
    const bool needsSettings =
        (!testing && options->interfaceWanted.empty()) || (testing && !options->hostPort);
    const Remembered remembered = needsSettings ? readQuellinSettings() : Remembered{};
    const std::vector<NetworkInterface> all = systemNetworkInterfaces();
    const NetworkInterface* card = nullptr;
    if (!testing) {
        card = scanInterface(all, options->interfaceWanted, remembered.interfaceName,
                             systemDefaultRouteInterface(), error);
        if (!card)
            return fail(error);
    }

    const ScanRun run =
        runScan(*options, all, card, options->hostPort.value_or(remembered.hostPort));
    if (run.error)
        return fail(*run.error);

    std::string out;
    switch (options->output) {
    case ScanOptions::Output::Table:
        if (!run.terminals.empty())
            out = terminalTextTable(run.terminals);
        printMarks(run.terminals);
        break;
    case ScanOptions::Output::Json:
        out = exportTerminals(run.terminals, ExportFormat::Json);
        break;
    case ScanOptions::Output::Csv:
        out = exportTerminals(run.terminals, ExportFormat::Csv);
        break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0)
        return fail("cannot write the output");
    if (run.terminals.empty() && options->output == ScanOptions::Output::Table)
        std::fprintf(stderr, "quellin-scan: no terminal answered\n");
    return run.terminals.empty() ? kNoAnswer : kAnswered;
}
