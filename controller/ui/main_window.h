#pragma once

#include "controller/link/com_port_names.h"
#include "controller/link/controller_settings.h"
#include "controller/link/net_link.h"
#include "controller/link/serial_link.h"
#include "controller/link/serial_port_access.h"
#include "controller/link/settings_file.h"
#include "controller/protocol/command_frame.h"
#include "controller/protocol/frame_accumulator.h"
#include "controller/protocol/reply_handler.h"
#include "controller/protocol/reply_prompt_queue.h"
#include "controller/ui/device_setup_host.h"
#include "controller/ui/grid_layout.h"
#include "controller/ui/reply_watch.h"
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

// Brisvane's one window: the crosspoint grid of the matrix switcher and every operator control.
// It owns the settings, both links, the frame collection, the grid and the reply watch; the
// program ends when it closes.
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
//   12100 + k marker of output k             marker0 .. marker31
// Group boxes "COM", "Network", "Matrix Configure", "SCENE": comGroup, networkGroup,
// matrixConfigureGroup, sceneGroup.
//
// Everything stands on one content widget (windowContent), in its pixels: the grid's lines,
// mouse handling and the crosspointCursor, the grid's one Tab stop. The content scrolls inside
// the window (windowScrollArea) when the screen is too small for it. Escape does not close the
// window; only "EXIT" and the close box do.
class MainWindow : public QDialog, public DeviceSetupHost, private ReplyHandler {
    Q_OBJECT

public:
    // Reads Setting.ini in `settingsDirectory` (the executable's folder in the program), shows
    // every message through `prompts`, opens the serial port and the network socket and starts
    // the reply watch, in that order. `ports` says which serial ports the machine has and how
    // one is opened.
    MainWindow(const QString& settingsDirectory, platform::PromptSink& prompts,
               SerialPortAccess ports, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Timer 1, every second: the reply watch.
    void onReplyWatchTick();
    // Timer 3, every 100 ms once the network socket exists: one poll and one examination.
    void onNetworkPollTick();
    // Every 500 ms: closes the port when its device is gone, and opens it again when the device
    // that went away comes back.
    void onPortPresenceTick();

    // DeviceSetupHost: what the Setup and Network Setting dialogs use.
    void sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) override;
    void sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                 std::uint8_t channel) override;
    void sendInputProperty(std::uint8_t property, std::uint8_t value,
                           std::uint8_t channel) override;
    ControllerSettings& settings() override { return m_settings; }
    void saveSetting(int item) override;
    platform::PromptSink& prompts() override { return m_prompts; }

    // Sizes the window for a screen's available area: the whole content when it fits (and then
    // fixed, as a dialog of this kind is), else as much as fits with scroll bars. Called with
    // the window's screen when it is built.
    void fitToScreen(const QRect& available);

    // State for tests and the demo.
    QWidget* content() const { return m_content; }
    QScrollArea* scrollArea() const { return m_scroll; }
    CrosspointCursor* crosspointCursor() const { return m_cursor; }
    bool serialOpen() const { return m_serialOpen; }
    // True after the open port's device went away, until it is open again or the operator
    // closes it or picks another port or rate.
    bool awaitingPortReturn() const { return m_lostPort.has_value(); }
    const ComPortEntries& comPortEntries() const { return m_comEntries; }
    std::uint8_t deviceAddress() const { return m_deviceAddress; }
    bool cycling() const { return m_cycling; }
    const ReplyWatch& replyWatch() const { return m_watch; }
    bool replyWatchTimerActive() const { return m_replyWatchTimer.isActive(); }
    bool networkPollActive() const { return m_networkPollTimer.isActive(); }
    const GridLayout& gridLayout() const { return m_layout; }
    GridRect gridFrame() const { return m_gridFrame; }
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    widgets::HoverButton* inputLabel(int k) const;
    widgets::HoverButton* outputLabel(int k) const;
    widgets::HoverButton* marker(int output) const;
    const SettingsFile& settingsFile() const { return m_settingsFile; }
    std::uint16_t networkLocalPort() const { return m_net.localPort(); }
    // Called once each time a 0x02 reply has been applied to the grid (the demo's screenshot).
    void setReadBackObserver(std::function<void()> observer) {
        m_readBackObserver = std::move(observer);
    }

    // Pauses that block the window, as the device's pacing asks; tests may shorten them.
    void setPauses(std::chrono::milliseconds afterSwitch, std::chrono::milliseconds beforeReopen) {
        m_switchPause = afterSwitch;
        m_reopenPause = beforeReopen;
    }

    // Periods of timers 1 and 3. Tests that drive the ticks by hand stretch them so that the
    // real timers never fire in between.
    void setTimerPeriods(std::chrono::milliseconds replyWatch,
                         std::chrono::milliseconds networkPoll) {
        m_replyWatchTimer.setInterval(replyWatch);
        m_networkPollTimer.setInterval(networkPoll);
    }

    void setPortPresencePeriod(std::chrono::milliseconds period) {
        m_portPresenceTimer.setInterval(period);
    }

    static constexpr std::chrono::milliseconds kReplyWatchPeriod{1000};
    static constexpr std::chrono::milliseconds kPortPresencePeriod{500};
    static constexpr std::chrono::milliseconds kNetworkPollPeriod{100};

protected:
    bool event(QEvent* e) override;
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

    // Serial port and sending (main_window_links.cpp).
    // Opens the selected port; `refreshList` first looks again at which devices the entries
    // stand for. Failure leaves the title without a port and lastFailure() in the link.
    bool openSerialPort(bool refreshList = true);
    void closeSerialPort();
    void setSerialOpen(bool open);
    std::string selectedPortName() const;
    int selectedBaudRate() const;
    void receiveSerialBytes();
    void showReplyPrompts();
    void send(const CommandFrame& frame);
    void sendBytes(const std::uint8_t* bytes, std::size_t count, bool serialOnly);
    void restartReplyWatch();
    DispatchContext dispatchContext() const;

    // The COM list and the port's device (main_window_com_ports.cpp).
    void refreshComList();
    std::string comPortPath(const std::string& portName) const;
    void rememberOpenedPort();
    std::string openFailureText(const char* message) const;
    void onSerialDeviceLost();

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

    // ReplyHandler (main_window_grid.cpp and main_window_links.cpp).
    void applyCrosspoints(const std::vector<Crosspoint>& pairs) override;
    void endAwaitedRead() override;
    void showPromptText(const std::string& text) override;
    void forwardInputProperties(const InputPropertiesReport& report) override;

    platform::PromptSink& m_prompts;
    SettingsFile m_settingsFile;
    ControllerSettings m_settings;
    SerialPortAccess m_portAccess;
    ComPortEntries m_comEntries;
    SerialLink m_serial;
    NetLink m_net;
    FrameAccumulator m_accumulator;
    ReplyPromptQueue m_replyPrompts;
    ReplyWatch m_watch;
    QTimer m_replyWatchTimer;
    QTimer m_networkPollTimer;
    QTimer m_portPresenceTimer;

    bool m_serialOpen = false;
    // The device of the open port, as it was when opened.
    std::optional<platform::DeviceNode> m_openNode;
    // The device that went away from under the open port, while its return is awaited.
    struct LostPort {
        std::string path;
        std::optional<platform::DeviceNode> node;
        bool seenAbsent = false;
    };
    std::optional<LostPort> m_lostPort;
    bool m_cycling = false;
    std::uint8_t m_deviceAddress = 1;
    std::function<void()> m_readBackObserver;
    std::chrono::milliseconds m_switchPause{50};
    std::chrono::milliseconds m_reopenPause{100};

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
