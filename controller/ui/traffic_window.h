#pragma once

#include "controller/protocol/frame_decoder.h"
#include "controller/session/traffic_log.h"
#include "platform/prompt.h"

#include <QDialog>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

class QLabel;
class QPushButton;
class QTableView;

namespace controller {

class TrafficTableModel;

// Every frame sent and received on either link while the window is open: time, direction, link,
// bytes in hex and the decoder's words, the last 10 000 of them. It only watches: nothing it does
// changes what goes out. A top-level window that does not block the main window; it keeps its
// frames only while open (closing it frees them).
//
// Frames recorded go on screen at the next flush (flushTimer, 100 ms, or flushPending() by hand),
// all at once. "Pause" stops the flushes: frames keep being recorded (the last 10 000) and appear
// on "Resume". The list follows the newest frame unless the operator has scrolled away from the
// bottom; then the rows under the eyes stay put.
//
// Controls by objectName: trafficView (QTableView), pauseButton ("Pause" / "Resume"),
// clearButton ("Clear"), saveButton ("Save..."), trafficStatus (the count line). The selected
// rows are copied as the lines a save writes with the copy key or the view's "Copy" entry
// (copyAction).
//
// A dialog without modality, so that assistive technology presents it as a window of its own.
class TrafficWindow : public QDialog {
    Q_OBJECT

public:
    // Asks for the file to save to; an empty name cancels.
    using SaveFileChooser = std::function<QString(QWidget* parent)>;

    static constexpr std::chrono::milliseconds kFlushPeriod{100};

    // `names` gives the operator's names of inputs and outputs for the words; failures to save
    // are shown through `prompts`.
    TrafficWindow(PortNamer names, platform::PromptSink& prompts, QWidget* parent = nullptr);
    ~TrafficWindow() override;

    // A frame went by on `link` ("COM1", "127.0.0.1:4068"); stamped with the time now.
    void record(TrafficDirection direction, std::string link, std::span<const std::uint8_t> bytes);

    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseFile = std::move(chooser); }
    void flushPending();
    bool paused() const { return m_paused; }
    const TrafficTableModel& model() const { return *m_model; }
    QTableView* view() const { return m_view; }

private:
    void onPauseClicked();
    void onClearClicked();
    void onSaveClicked();
    void copySelectedRows();
    void updateStatus();

    platform::PromptSink& m_prompts;
    TrafficTableModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QLabel* m_status = nullptr;
    QTimer m_flushTimer;
    SaveFileChooser m_chooseFile;
    bool m_paused = false;
};

} // namespace controller
