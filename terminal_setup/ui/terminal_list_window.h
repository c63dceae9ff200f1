#pragma once

#include "platform/prompt.h"
#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/protocol/terminal_listing.h"
#include "terminal_setup/session/discovery_listener.h"
#include "terminal_setup/session/discovery_session.h"
#include "terminal_setup/session/tool_settings_file.h"
#include "terminal_setup/ui/export_file_dialog.h"
#include "terminal_setup/ui/host_identity.h"
#include "terminal_setup/ui/plan_dialog.h"
#include "terminal_setup/ui/setup_dialog_inputs.h"

#include <QDialog>
#include <QFont>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace widgets {
class HoverButton;
class IpAddressEdit;
} // namespace widgets

namespace terminal_setup {

// What tests put in place of the real surroundings of the list window.
struct TerminalListWindowOptions {
    std::function<std::optional<std::string>()> hostName = systemHostName;
    std::function<std::vector<NetworkInterface>()> interfaces = systemNetworkInterfaces;
    std::function<std::string()> defaultRouteInterface = systemDefaultRouteInterface;
    std::uint16_t discoveryPort = kDiscoveryPort;
    // Where "Export..." saves, and in which format; nothing when the installer cancels.
    std::function<std::optional<ExportTarget>(QWidget* parent)> chooseExportFile = askExportFile;
    // The plan file "Apply plan..." reads; nothing when the installer cancels.
    std::function<std::optional<std::string>(QWidget* parent)> choosePlanFile = askPlanFile;
    // How the plan's preview is run: modally, unless a test puts itself in its place.
    std::function<void(PlanDialog& dialog)> runPlanDialog = [](PlanDialog& dialog) {
        dialog.exec();
    };
};

class TerminalConfigDialog;

// Quellin's main window: the network interface to scan on (with its address and MAC), the host's
// name, the multicast group, the address and port of "Test", and the list of the terminals that
// answered the last Scan or Test. List row i always shows record i of the discovery table. Its
// remembered values live in Quellin.ini; they are saved at "Exit" and however else the window
// closes. The interface list is read again at each Scan and each time it is opened. The sockets,
// the scan window, the check of a write and plans belong to its DiscoverySession; the window
// wires its controls to it and decides what the operator sees.
//
// Rows that share an IP, an ID or a MAC with another row, and rows whose IP lies outside the
// network of the card they answered on, are coloured; their tooltip and accessible description
// say why. "Export..." saves the listed terminals as CSV or JSON. About 1.5 s after the setup
// dialog's Refresh or Reset, the window scans by itself and tells, in the dialog or, once it is
// closed, under the list, what the terminal's new report shows of the write. "Apply plan..."
// reads a configuration plan, shows what it would change, applies it and shows each row's
// result; the list is scanned again afterwards.
class TerminalListWindow : public QDialog, private DiscoveryListener {
    Q_OBJECT

public:
    static constexpr int kNoRow = 0xFFFF;
    static constexpr const char* kProgramName = "Quellin";

    // `settingsDirectory` holds Quellin.ini (the program passes its own folder). Prompts go to
    // `prompts`, which must outlive the window.
    TerminalListWindow(const std::string& settingsDirectory, platform::PromptSink& prompts,
                       TerminalListWindowOptions options = {}, QWidget* parent = nullptr);
    ~TerminalListWindow() override;

    // The timer handlers, public so that tests can drive time.
    void onScanWindowTick(); // every second: the scan window
    void onGroupPollTick();  // every 100 ms: reports that came through the group
    void onTestPollTick();   // every 100 ms from the first Test on: answers to Test
    // Once, ~1.5 s after Refresh or Reset: the scan whose reports show what the write did.
    void onWriteCheckTick();

    // The button handlers.
    void onSetup();
    void onScan();
    void onTest();
    void onExit();
    void onExport();
    void onApplyPlan();

    // The inputs the setup dialog gets for list row `row` (which must exist).
    SetupDialogInputs setupInputsFor(int row) const;
    // Replaces the modal setup dialog, for tests. The record is a copy: the table may change
    // while the dialog is open.
    using SetupOpener = std::function<void(const SetupDialogInputs&, const TerminalRecord&)>;
    void setSetupOpener(SetupOpener opener) { m_openSetup = std::move(opener); }

    // Opens the About box modally.
    void showAbout();

    // The chosen interface's name; empty when no interface is usable.
    const std::string& chosenInterface() const { return m_interfaceName; }

    int selectedRow() const { return m_selectedRow; }
    unsigned hostPort() const { return m_hostPort; }
    const DiscoverySession& discovery() const { return m_discovery; }
    QAction* aboutAction() const { return m_aboutAction; }
    QAction* exportAction() const { return m_exportAction; }
    QAction* applyPlanAction() const { return m_applyPlanAction; }
    // Whether a write waits to be checked by the next scan.
    bool writeCheckPending() const { return m_discovery.writeCheckPending(); }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DiscoveryListener
    void terminalAdded(std::size_t row) override;
    void terminalsCleared() override;
    void scanStarted() override;
    void scanOver() override;
    void groupSocketFailed(const GroupSocketError& error) override;
    void testFailed(TestOutcome outcome) override;
    void writeChecked(const WriteCheck& check) override;
    void writeCheckAbandoned() override;
    void planRowFinished(const PlanRowResult& result) override;
    void planFinished() override;

    void buildControls();
    void setUpList();
    void connectControls();
    void startSession();
    void loadSettings();
    void findHostName(const std::function<std::optional<std::string>()>& lookup);

    // Reads the interfaces again and lists the usable ones, keeping the chosen one listed even
    // when it is no longer usable, so that a Scan can say what became of it. With nothing chosen
    // yet, the default is taken.
    void refreshInterfaces();
    void onInterfaceChosen(int index);
    // "Host IP" and "Host MAC" of the chosen interface.
    void showChosenInterface();
    const NetworkInterface* chosenCard() const;
    // The chosen interface as the system has it now, for a scan: a chosen card that has gone
    // stands by its name alone, so that the scan says what became of it; nothing when none is
    // chosen.
    std::optional<NetworkInterface> cardToScan();

    // The two directions of the binding between the values and the edits. Reading fails, with
    // the framework's prompt, when "Host Port" holds no unsigned number; P then keeps its value.
    void copyValuesToFields();
    bool readFieldsIntoValues();
    // Reads the fields, takes the two addresses from their controls and writes the settings.
    bool saveSettings();

    void onListClicked();
    void onListDoubleClicked();
    void openSetup(int row);
    void runSetupDialog(const SetupDialogInputs& inputs, const TerminalRecord& record);
    void syncSelectedRow();

    // Scan on the chosen interface; false when the socket could not be opened.
    bool startScan();
    // The terminals as listed now, each report once.
    std::vector<ListedTerminal> listedTerminals() const;
    // The marks of every row, from the table as it stands.
    void refreshMarks();
    // Export is possible while something is listed.
    void updateExportEnabled();

    // Tells the installer in the setup dialog, or under the list when it is closed.
    void tellWriteCheck(const std::string& text);

    platform::PromptSink& m_prompts;
    const std::function<std::vector<NetworkInterface>()> m_listInterfaces;
    const std::function<std::string()> m_findDefaultRoute;
    ToolSettingsFile m_settingsFile;
    DiscoverySession m_discovery;
    SetupOpener m_openSetup;

    // Values bound to the fields.
    std::string m_hostName;
    std::string m_hostMac;
    unsigned m_hostPort = 0;
    std::string m_groupAddress;
    std::string m_destAddress;
    std::string m_hostAddress;
    int m_selectedRow = kNoRow;
    // The interface the installer chose (or the default), by name, and the interfaces as last
    // read.
    std::string m_interfaceName;
    bool m_interfaceChosen = false;
    std::vector<NetworkInterface> m_interfaces;

    const std::function<std::optional<ExportTarget>(QWidget*)> m_chooseExportFile;
    const std::function<std::optional<std::string>(QWidget*)> m_choosePlanFile;
    const std::function<void(PlanDialog&)> m_runPlanDialog;

    QPointer<TerminalConfigDialog> m_openDialog;
    QPointer<PlanDialog> m_planDialog;
    bool m_marksStale = false;

    QFont m_listFont;

    QComboBox* m_interfaceCombo = nullptr;
    QLineEdit* m_hostNameEdit = nullptr;
    QLineEdit* m_hostMacEdit = nullptr;
    QLineEdit* m_hostPortEdit = nullptr;
    widgets::IpAddressEdit* m_groupEdit = nullptr;
    widgets::IpAddressEdit* m_destEdit = nullptr;
    widgets::IpAddressEdit* m_hostAddressEdit = nullptr;
    QTableWidget* m_list = nullptr;
    widgets::HoverButton* m_setupButton = nullptr;
    widgets::HoverButton* m_scanButton = nullptr;
    widgets::HoverButton* m_testButton = nullptr;
    widgets::HoverButton* m_exitButton = nullptr;
    widgets::HoverButton* m_exportButton = nullptr;
    widgets::HoverButton* m_applyPlanButton = nullptr;
    QLabel* m_writeCheckLabel = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exportAction = nullptr;
    QAction* m_applyPlanAction = nullptr;
};

} // namespace terminal_setup
