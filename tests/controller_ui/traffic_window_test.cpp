#include "controller/ui/traffic_table_model.h"
#include "controller/ui/traffic_window.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <chrono>
#include <cstdio>

namespace controller_ui_test {
namespace {

using controller::TrafficDirection;
using controller::TrafficWindow;
using Bytes = std::vector<std::uint8_t>;

const Bytes kSwitch{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C};

class TrafficView : public testing::Test {
protected:
    TrafficView() {
        m_view.show();
        m_view.setSaveFileChooser([this](QWidget*) { return m_saveTo; });
    }

    void record(int count, TrafficDirection direction = TrafficDirection::Sent) {
        // Each frame's link tells it apart from the others.
        for (int i = 0; i < count; ++i)
            m_view.record(direction, std::to_string(m_recorded++), kSwitch);
    }
    std::size_t rows() const { return m_view.model().shown().size(); }
    void press(const char* name) {
        QTest::mouseClick(m_view.findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }
    QScrollBar* bar() const { return m_view.view()->verticalScrollBar(); }

    test_support::TempDir m_dir;
    test_support::PromptRecorder m_prompts;
    TrafficWindow m_view{{}, m_prompts};
    QString m_saveTo;
    int m_recorded = 0;
};

TEST_F(TrafficView, PauseKeepsFramesForResumeAndClearForgetsThem) {
    record(3);
    m_view.flushPending();
    press("pauseButton");
    record(2, TrafficDirection::Received);
    m_view.flushPending();
    EXPECT_EQ(rows(), 3u);
    EXPECT_EQ(m_view.findChild<QPushButton*>("pauseButton")->text(), "Resume");
    press("pauseButton");
    ASSERT_EQ(rows(), 5u);
    EXPECT_EQ(m_view.model().shown()[4].direction, TrafficDirection::Received);
    EXPECT_EQ(m_view.findChild<QPushButton*>("pauseButton")->text(), "Pause");

    press("pauseButton");
    record(1);
    press("clearButton");
    press("pauseButton");
    EXPECT_EQ(rows(), 0u);
}

TEST_F(TrafficView, SavesAndCopiesWhatItShowsAsTextAndSaysWhenItCannotSave) {
    record(3);
    m_view.flushPending();
    m_view.view()->selectRow(2);
    m_view.view()->selectionModel()->select(m_view.view()->model()->index(0, 0),
                                            QItemSelectionModel::Select |
                                                QItemSelectionModel::Rows);
    m_view.findChild<QAction*>("copyAction")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              controller::trafficTextLine(m_view.model().shown()[0]) +
                  controller::trafficTextLine(m_view.model().shown()[2]));

    m_saveTo = QString::fromStdString(m_dir.file("traffic.txt"));
    press("saveButton");
    EXPECT_EQ(test_support::TempDir::readFile(m_dir.file("traffic.txt")),
              m_view.model().shown().text());
    EXPECT_TRUE(m_prompts.prompts.empty());

    m_saveTo = QString::fromStdString(m_dir.file("no-such-folder/traffic.txt"));
    press("saveButton");
    ASSERT_EQ(m_prompts.prompts.size(), 1u);
    EXPECT_NE(m_prompts.texts()[0].find("no-such-folder/traffic.txt"), std::string::npos);

    m_saveTo.clear(); // cancelled
    press("saveButton");
    EXPECT_EQ(m_prompts.prompts.size(), 1u);
}

// A flood of 15 000 frames in batches: the view keeps the last 10 000, follows the newest while
// at the bottom, and keeps the rows being read in place once scrolled up.
TEST_F(TrafficView, FloodKeepsTheLastTenThousandAndTheRowsBeingRead) {
    const auto start = std::chrono::steady_clock::now();
    for (int batch = 0; batch < 100; ++batch) {
        record(100);
        m_view.flushPending();
        QCoreApplication::processEvents();
    }
    const auto followed = std::chrono::steady_clock::now();
    ASSERT_EQ(rows(), 10000u);
    EXPECT_EQ(bar()->value(), bar()->maximum());

    bar()->setValue(bar()->maximum() - 500);
    const QModelIndex before = m_view.view()->indexAt(QPoint(1, 1));
    const std::string firstShown =
        m_view.model().shown()[static_cast<std::size_t>(before.row())].link;
    for (int batch = 0; batch < 50; ++batch) {
        record(100);
        m_view.flushPending();
        QCoreApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    const QModelIndex after = m_view.view()->indexAt(QPoint(1, 1));
    ASSERT_TRUE(after.isValid());
    EXPECT_EQ(m_view.model().shown()[static_cast<std::size_t>(after.row())].link, firstShown);
    EXPECT_EQ(rows(), 10000u);

    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    std::printf("10 000 frames following: %lld ms; 5 000 more scrolled up: %lld ms\n",
                static_cast<long long>(duration_cast<milliseconds>(followed - start).count()),
                static_cast<long long>(duration_cast<milliseconds>(end - followed).count()));
}

} // namespace
} // namespace controller_ui_test
