#pragma once

#include "platform/prompt.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/session/tool_settings_file.h"
#include "terminal_setup/ui/setup_dialog_inputs.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace terminal_setup {

class BasicSetPage;
class ComSetPage;
class NetSetPage;
class OtherSetPage;

// The "Setup" dialog for one listed terminal: its ID and MAC at the top, the four setting pages
// in tabs, and "Refresh" (configuration write), "Reset" (new ID) and "Exit". Every datagram
// starts again from the record as the terminal reported it, so a Reset never carries page edits
// and a Refresh never carries an ID given by an earlier Reset. Nothing is handed back: the list
// shows the effect only after a new scan. The only thing that outlives the dialog is the AUTOID
// counter in the settings file. A value a page refuses, a name GBK cannot hold, an ID outside 0
// to 255 or a counter that cannot be saved sends nothing. After a Reset the terminal answers to
// another MAC, so "Refresh" is disabled with a hint to scan again.
//
// Controls by objectName: idEdit "ID:", macEdit "MAC：" (never read into a datagram),
// counterEdit (read-only ID counter), autoIncreaseCheck "ID Auto increase", tabControl with
// basicSetPage, netSetPage, comSetPage, otherSetPage, refreshButton "Refresh" (the default
// button), resetButton "Reset", exitButton "Exit", refreshHint (shown after a Reset),
// writeCheckLabel (what became of the last write, as the list window tells it).
class TerminalConfigDialog : public QDialog {
    Q_OBJECT

public:
    using SendToGroup = std::function<void(const TerminalDatagram&)>;

    // `record` is the terminal's stored report (copied: the table may change while the dialog
    // runs). `sendToGroup` sends one datagram to the discovery group; its result is not looked
    // at. The settings file is where AUTOID lives; prompts of the port check go to `prompts`,
    // which must outlive the dialog.
    TerminalConfigDialog(const SetupDialogInputs& inputs, const TerminalRecord& record,
                         SendToGroup sendToGroup, const ToolSettingsFile& settingsFile,
                         platform::PromptSink& prompts, QWidget* parent = nullptr);

    // The button handlers, public so that tests can press them without a mouse.
    void onRefresh();
    void onReset();

    // Shows what became of the last Refresh or Reset: that it went out and is being checked,
    // then what the terminal's next report shows of it.
    void showWriteCheck(const QString& text);

    std::uint32_t idCounter() const { return m_idCounter; }
    bool autoIncrease() const { return m_autoIncrease; }

    BasicSetPage* basicSetPage() const { return m_basicPage; }
    NetSetPage* netSetPage() const { return m_netPage; }
    ComSetPage* comSetPage() const { return m_comPage; }
    OtherSetPage* otherSetPage() const { return m_otherPage; }

private:
    void buildControls(const SetupDialogInputs& inputs);
    void connectControls();
    void onAutoIncreaseClicked(bool checked);
    // Runs every page's collect step, stopping at the first refused value.
    bool collectPages();
    // The new ID of a Reset, or nothing when it was refused with a prompt.
    std::optional<std::uint8_t> takeResetId();

    // The two directions of the binding between the dialog's own values and its edits.
    void readControlsIntoState();
    void copyStateToControls();

    const TerminalRecord m_record;
    const SendToGroup m_sendToGroup;
    const ToolSettingsFile m_settingsFile;
    platform::PromptSink& m_prompts;
    // The name the Basic page opened with: while the page still holds it, the record's own name
    // bytes go back unchanged.
    const std::string m_initialName;

    std::string m_idText;
    std::string m_macText;
    std::uint32_t m_idCounter = 1;
    bool m_autoIncrease = false;

    QLineEdit* m_idEdit = nullptr;
    QLineEdit* m_macEdit = nullptr;
    QLineEdit* m_counterEdit = nullptr;
    QCheckBox* m_autoIncreaseCheck = nullptr;
    QTabWidget* m_tabs = nullptr;
    BasicSetPage* m_basicPage = nullptr;
    NetSetPage* m_netPage = nullptr;
    ComSetPage* m_comPage = nullptr;
    OtherSetPage* m_otherPage = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_exit = nullptr;
    QLabel* m_refreshHint = nullptr;
    QLabel* m_writeCheck = nullptr;
};

} // namespace terminal_setup
