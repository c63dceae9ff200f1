// quellin-scan: finds serial-to-Ethernet terminals from the command line, as Quellin's Scan or
// Test does, and prints them as a table, JSON or CSV; or applies a configuration plan to them.

#include "platform/qt/settings_location.h"
#include "platform/whole_file.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/protocol/terminal_export.h"
#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/scan/console_scan.h"
#include "terminal_setup/scan/scan_options.h"
#include "terminal_setup/scan/terminal_text_table.h"
#include "terminal_setup/session/plan_check.h"
#include "terminal_setup/session/terminal_plan.h"
#include "terminal_setup/session/tool_settings_file.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace terminal_setup;

constexpr int kAnswered = 0;
constexpr int kNoAnswer = 1;
constexpr int kFailed = 2;

int fail(const std::string& why) {
    std::fprintf(stderr, "quellin-scan: %s\n", why.c_str());
    return kFailed;
}

// What Quellin keeps in Quellin.ini: the interface it used last and the Host Port of Test. Read
// only; the file is Quellin's. A value that cannot be used is said once, on standard error.
struct Remembered {
    std::string interfaceName;
    unsigned hostPort = ToolSettingsFile::kDefaultHostPort;
};

Remembered readQuellinSettings() {
    const QString path = platform::findSettingsFile(QCoreApplication::applicationDirPath(),
                                                    QStringLiteral("Quellin.ini"));
    const ToolSettingsFile file(QFileInfo(path).absolutePath().toStdString());
    std::vector<std::string> notices;
    Remembered remembered;
    remembered.hostPort = file.read(&notices).hostPort;
    remembered.interfaceName = file.loadInterface();
    for (const std::string& notice : notices)
        std::fprintf(stderr, "quellin-scan: %s\n", notice.c_str());
    return remembered;
}

void printMarks(const std::vector<ListedTerminal>& rows) {
    const std::vector<TerminalMarks> marks = markTerminals(rows);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const std::string& sentence : describeMarks(rows, row, marks[row]))
            std::fprintf(stderr, "row %zu: %s\n", row + 1, sentence.c_str());
    }
}

void printNotListed(std::size_t count) {
    if (count == 0)
        return;
    const bool capped = count >= DiscoverySession::kMaxDroppedCounted;
    std::fprintf(stderr,
                 "quellin-scan: %s%zu more %s answered and %s not listed (the list holds %zu)\n",
                 capped ? "at least " : "", count, count == 1 ? "terminal" : "terminals",
                 count == 1 ? "was" : "were", TerminalTable::kCapacity);
}

// One line per row of the plan: "row 2  001A－2B3C－4D5E  found: ip 192.0.2.20 → 192.0.2.31".
void printPlan(const CheckedPlan& plan) {
    for (const PlannedTerminal& terminal : plan.terminals) {
        std::string changes;
        for (const PlanChange& change : terminal.changes)
            changes += (changes.empty() ? "" : ", ") + describePlanChange(change);
        if (changes.empty())
            changes = "no change";
        std::printf("row %zu  %s  %s: %s\n", terminal.row, formatMac(terminal.mac).c_str(),
                    terminal.found ? "found" : "not found", changes.c_str());
    }
    std::fflush(stdout);
}

int applyPlan(const ScanOptions& options, std::vector<NetworkInterface> all,
              const NetworkInterface* card) {
    std::string bytes;
    if (platform::readWholeFile(options.planPath, bytes) != platform::FileReadResult::Ok)
        return fail("cannot read " + options.planPath);
    const Plan plan = readPlan(bytes);
    if (!plan.faults.empty()) {
        for (const PlanFault& fault : plan.faults)
            std::fprintf(stderr, "quellin-scan: %s: %s\n", options.planPath.c_str(),
                         describePlanFault(fault).c_str());
        return kFailed;
    }

    ConsoleScan scan(options, std::move(all), card, 0);
    if (!scan.collect())
        return fail(scan.error());
    printNotListed(scan.notListed());
    const CheckedPlan checked = checkPlan(plan, scan.terminals());
    printPlan(checked);
    if (!checked.ok()) {
        for (const PlanFault& fault : checked.faults)
            std::fprintf(stderr, "quellin-scan: %s\n", describePlanFault(fault).c_str());
        return fail("the plan failed its checks; nothing was sent");
    }
    if (options.dryRun)
        return checked.notFound() == 0 ? kAnswered : kNoAnswer;

    bool allGood = true;
    scan.apply(checked, [&allGood](const PlanRowResult& result) {
        allGood = allGood && result.ok();
        std::printf("row %zu  %s  %s\n", result.row, result.mac.c_str(),
                    describePlanResult(result).c_str());
        std::fflush(stdout);
    });
    return allGood ? kAnswered : kNoAnswer;
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
    std::vector<NetworkInterface> all = systemNetworkInterfaces();
    const NetworkInterface* card = nullptr;
    if (!testing) {
        card = scanInterface(all, options->interfaceWanted, remembered.interfaceName,
                             systemDefaultRouteInterface(), error);
        if (!card)
            return fail(error);
    }
    if (!options->planPath.empty())
        return applyPlan(*options, all, card);

    ConsoleScan scan(*options, all, card, options->hostPort.value_or(remembered.hostPort));
    if (!scan.collect())
        return fail(scan.error());
    const std::vector<ListedTerminal> terminals = scan.terminals();

    std::string out;
    switch (options->output) {
    case ScanOptions::Output::Table:
        if (!terminals.empty())
            out = terminalTextTable(terminals);
        printMarks(terminals);
        break;
    case ScanOptions::Output::Json:
        out = exportTerminals(terminals, ExportFormat::Json);
        break;
    case ScanOptions::Output::Csv:
        out = exportTerminals(terminals, ExportFormat::Csv);
        break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0)
        return fail("cannot write the output");
    printNotListed(scan.notListed());
    if (terminals.empty() && options->output == ScanOptions::Output::Table)
        std::fprintf(stderr, "quellin-scan: no terminal answered\n");
    return terminals.empty() ? kNoAnswer : kAnswered;
}
