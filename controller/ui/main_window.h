#pragma once

#include "controller/link/serial_port_access.h"
#include "controller/protocol/frame_decoder.h"
#include "controller/session/backup_job.h"
#include "controller/session/crosspoint_file.h"
#include "controller/session/matrix_session.h"
#include "controller/session/port_names.h"
#include "controller/session/session_listener.h"
#include "controller/ui/device_setup_host.h"
#include "controller/ui/grid_layout.h"
#include "controller/ui/operator_messages.h"
#include "platform/prompt.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace widgets {
class HoverButton;
}

namespace controller {

class CrosspointCursor;
class TrafficWindow;

// Brisvane's one window: the crosspoint grid of the matrix switcher and every operator control,
// wired to the session that holds the settings, the links, the replies and the reply watch. The
// window decides what the operator sees of what the session reports; the program ends when it
// closes.
//
// Controls, by their original identifier, and the objectName tests find them by:
//   1005 group box "Matrix Switch"          matrixSwitchGroup (its rectangle is the grid frame)
//   1011 combo "COM1 (device)".."COM9 (…)"  comCombo
//   1012 combo "2400" "4800" "9600" "19200"  baudCombo
//   1045 button "OPEN" / "CLOSE"             openButton
//   1019 check box "Use Net"                 useNetCheck
//   1037 button "Network Setting"            networkSettingButton
//   1007 combo "Matrix Mode："               matrixModeCombo
//   1006 combo "Matrix Type："               matrixTypeCombo
//   1008 1009 1010 radios                    avVideoAudioRadio avVideoRadio avAudioRadio
//   1016 combo "Matrix ID："                 matrixIdCombo
//   1014 combo "Save Scene：", 1001 "SAVE"   saveSceneCombo saveButton
//   1015 combo "Load Scene：", 1003 "LOAD"   loadSceneCombo loadButton
//   1004 button "Setup"                      setupButton
//   1002 button "Read Switch"                readSwitchButton
//   1046 button "Read Device"                readDeviceButton
//   1013 button "AutoSwitich-START"          cycleButton
//   1    button "EXIT"                       exitButton
//   12000 + k input label k                  inputLabel0 .. inputLabel31
//   12100 + k output label k                 outputLabel0 .. outputLabel31
//     (a double click or "Name..." in their context menu names the port)
//   12100 + k marker of output k             marker0 .. marker31
// Group boxes "COM", "Network", "Matrix Configure", "SCENE": comGroup, networkGroup,
// matrixConfigureGroup, sceneGroup.
//
// Everything stands on one content widget (windowContent), in its pixels: the grid's lines,
// mouse handling and the crosspointCursor, the grid's one Tab stop. The content scrolls inside
// the window (windowScrollArea) when the screen is too small for it. Escape does not close the
// window; only "EXIT" and the close box do.
class MainWindow : public QDialog, public DeviceSetupHost, private SessionListener {
    Q_OBJECT

public:
    // Reads Setting.ini in `settingsDirectory` (the executable's folder in the program), shows
    // every message through `prompts`, opens the serial port and the network socket and starts
    // the reply watch, in that order. `ports` says which serial ports the machine has and how
    // one is opened.
    MainWindow(const QString& settingsDirectory, platform::PromptSink& prompts,
               SerialPortAccess ports, QWidget* parent = nullptr);
    ~MainWindow() override;

    // DeviceSetupHost: what the Setup and Network Setting dialogs use.
    void sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) override;
    void sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                 std::uint8_t channel) override;
    void sendInputProperty(std::uint8_t property, std::uint8_t value,
                           std::uint8_t channel) override;
    const ControllerSettings& settings() const override { return m_session.settings(); }
    void setCycleScenes(std::uint16_t mask) override { m_session.setCycleScenes(mask); }
    void setCycleInterval(int interval) override { m_session.setCycleInterval(interval); }
    void setNetworkSettings(const NetworkSettings& net) override {
        m_session.setNetworkSettings(net);
    }
    platform::PromptSink& prompts() override { return m_prompts; }

    // Sizes the window for a screen's available area: the whole content when it fits (and then
    // fixed, as a dialog of this kind is), else as much as fits with scroll bars. Called with
    // the window's screen when it is built.
    void fitToScreen(const QRect& available);

    // The session behind the window: its timers, links and state, for tests and the demo.
    MatrixSession& session() { return m_session; }
    const MatrixSession& session() const { return m_session; }

    // State for tests and the demo.
    QWidget* content() const { return m_content; }
    QScrollArea* scrollArea() const { return m_scroll; }
    CrosspointCursor* crosspointCursor() const { return m_cursor; }
    const GridLayout& gridLayout() const { return m_layout; }
    GridRect gridFrame() const { return m_gridFrame; }
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    widgets::HoverButton* inputLabel(int k) const;
    widgets::HoverButton* outputLabel(int k) const;
    widgets::HoverButton* marker(int output) const;
    // A namer of the ports for views of the traffic.
    PortNamer portNamer() const { return m_session.portNamer(); }

    // Asks for a port's new name: the port's caption ("IN03") and its current name in, the new
    // name out, nullopt when the operator cancelled. The program asks in a small dialog.
    using NameEditor =
        std::function<std::optional<std::string>(const QString& port, const std::string& name)>;
    void setNameEditor(NameEditor editor) { m_nameEditor = std::move(editor); }
    // Names input or output `k` (from 0) through the name editor.
    void editPortName(PortKind kind, int k);

    // Asks for the file of a crosspoint backup: to write when `forSaving`, else to read; empty
    // when the operator cancelled. The program asks in a file dialog.
    using BackupFileChooser = std::function<QString(bool forSaving)>;
    void setBackupFileChooser(BackupFileChooser chooser) {
        m_backupFileChooser = std::move(chooser);
    }
    // Asks the operator a yes-or-no question; true for yes. The program asks in a message box.
    using QuestionAsker = std::function<bool(const std::string& question)>;
    void setQuestionAsker(QuestionAsker asker) { m_questionAsker = std::move(asker); }

    // "Save crosspoints...": reads the switch state back and writes it in matrixctl dump's JSON.
    void saveCrosspoints();
    // "Restore crosspoints...": switches every output the file names, one after the other's
    // answer, then reads back and says which outputs did not take. The device is the one
    // "Matrix ID" names; a file saved from another asks first.
    void restoreCrosspoints();
    bool backupRunning() const { return m_backup.running(); }
    // How long a restore waits for the device's answer to one switch before it goes on. The
    // read-back is awaited as long as the reply watch waits.
    void setSwitchAnswerTimeout(std::chrono::milliseconds timeout) {
        m_switchAnswerTimeout = timeout;
    }
    // How long the read-back of a backup waits; by default as long as the reply watch waits
    // after its request.
    void setBackupReadBackTimeout(std::chrono::milliseconds timeout) {
        m_backupReadBackTimeout = timeout;
    }

    // Called once each time a 0x02 reply has been applied to the grid (the demo's screenshot).
    void setReadBackObserver(std::function<void()> observer) {
        m_readBackObserver = std::move(observer);
    }

    // Opens the traffic view ("Traffic..." in the context menu), or raises it when it is open.
    void showTraffic();
    // The traffic view while it is open; null otherwise.
    TrafficWindow* trafficWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    // Construction (main_window.cpp).
    void createControls();
    void createGridWindows();
    void connectHandlers();
    void applyLoadedSettings();

    // Operator handlers (main_window.cpp).
    void onComActivated(int index);
    void onBaudActivated(int index);
    void onOpenClicked();
    void onUseNetClicked(bool checked);
    void onNetworkSettingClicked();
    void onMatrixSizeActivated(int index);
    void onMatrixTypeActivated(int index);
    void onAvModeClicked(int mode);
    void onMatrixIdActivated(int index);
    void onSaveClicked();
    void onLoadClicked();
    void onSetupClicked();
    void onReadSwitchClicked();
    void onReadDeviceClicked();
    void onCycleClicked();
    void showAbout();
    void setAvRadiosEnabled(bool enabled);
    void checkAvRadio(int mode);

    // What the session reports, and the serial port's controls (main_window_session.cpp).
    void setSerialButton(bool open);
    void markReconnected();
    void setPortTitle(const std::string& portName, int baud);
    std::string openFailureText(const char* message) const;
    void showMessage(const std::string& text);
    void crosspointsReported(const std::vector<Crosspoint>& pairs) override;
    void switchStateArrived() override;
    void replyText(const std::string& text) override;
    void inputPropertiesReported(const InputPropertiesReport& report) override;
    void readTimedOut() override;
    void comPortsMapped(const ComPortEntries& entries) override;
    void portOpened(const std::string& portName, int baud) override;
    void portOpenFailed() override;
    void portSettingsRejected() override;
    void portClosed() override;
    void portLost(const std::string& portName, const std::string& devicePath) override;
    void portReturned() override;
    void networkSendFailed() override;
    void networkLost(const LinkInfo& link, const std::string& reason) override;
    void networkReturned(const LinkInfo& link) override;
    void settingsFileMessage(const platform::Prompt& prompt) override;

    // Port names on the grid (main_window_names.cpp).
    void showPortNames();
    void showPortName(PortKind kind, int k);
    bool labelEvent(QObject* watched, QEvent* e);
    void showLabelMenu(PortKind kind, int k, QPoint globalPos);

    // Crosspoint backups (main_window_backup.cpp).
    bool canStartBackup();
    QString chooseBackupFile(bool forSaving);
    bool askQuestion(const std::string& question);
    BackupJob::Limits backupLimits() const;
    void backupSaved(const BackupJob::Result& result);
    void backupRestored(const BackupJob::Result& result);

    // The traffic view (main_window_traffic.cpp): frames are handed to it only while it is open.
    void frameSent(std::span<const std::uint8_t> frame, const LinkInfo& link) override;
    void frameReceived(std::span<const std::uint8_t> frame, const LinkInfo& link) override;
    void bytesDiscarded(std::span<const std::uint8_t> bytes, const LinkInfo& link) override;

    // Grid (main_window_grid.cpp).
    void createGridCursor();
    void paintGrid();
    void fitLabelFont();
    bool joined(int output, int input) const;
    void layoutGridFor(int matrixSize);
    void hideMarkers();
    void placeMarker(int output, int input);
    void highlightLabels(std::array<widgets::HoverButton*, kGridPorts>& labels, int hit);
    void trackMouse(QPoint pos, bool released);
    void switchCrosspoint(int output, int input);

    // Every message to the operator, one at a time.
    OperatorMessages m_prompts;
    MatrixSession m_session;
    NameEditor m_nameEditor;
    BackupFileChooser m_backupFileChooser;

    QuestionAsker m_questionAsker;
    // The crosspoint backup or restore under way, and the crosspoints a restore switches.
    BackupJob m_backup;
    QString m_backupPath;
    std::size_t m_restoreCount = 0;
    std::chrono::milliseconds m_switchAnswerTimeout{1000};
    std::optional<std::chrono::milliseconds> m_backupReadBackTimeout;
    std::function<void()> m_readBackObserver;

    GridLayout m_layout;
    GridRect m_gridFrame;
    int m_lastRow = kNoPort;
    int m_lastColumn = kNoPort;
    std::array<widgets::HoverButton*, kGridPorts> m_inputLabels{};
    std::array<widgets::HoverButton*, kGridPorts> m_outputLabels{};
    std::array<widgets::HoverButton*, kGridPorts> m_markers{};
    // The marker's row for each output, kNoPort while hidden (for its accessible name).
    std::array<int, kGridPorts> m_markerInput{};

    // The Setup dialog while it is open, for the input properties reports.
    QPointer<QDialog> m_setupDialog;
    QPointer<TrafficWindow> m_trafficWindow;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QGroupBox* m_gridGroup = nullptr;
    CrosspointCursor* m_cursor = nullptr;
    QComboBox* m_comCombo = nullptr;
    QComboBox* m_baudCombo = nullptr;
    QPushButton* m_openButton = nullptr;
    QCheckBox* m_useNetCheck = nullptr;
    QPushButton* m_networkSettingButton = nullptr;
    QComboBox* m_sizeCombo = nullptr;
    QComboBox* m_typeCombo = nullptr;
    std::array<QRadioButton*, 3> m_avRadios{};
    QButtonGroup* m_avGroup = nullptr;
    QComboBox* m_idCombo = nullptr;
    QComboBox* m_saveCombo = nullptr;
    QPushButton* m_saveButton = nullptr;
    QComboBox* m_loadCombo = nullptr;
    QPushButton* m_loadButton = nullptr;
    QPushButton* m_setupButton = nullptr;
    QPushButton* m_readSwitchButton = nullptr;
    QPushButton* m_readDeviceButton = nullptr;
    QPushButton* m_cycleButton = nullptr;
    QPushButton* m_exitButton = nullptr;
};

} // namespace controller
