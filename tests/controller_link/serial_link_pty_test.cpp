#include "controller/link/serial_link.h"
#include "tests/controller_link/recording_owner.h"
#include "tests/support/pty_pair.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <termios.h>

using controller::kUmSerialEvent;
using controller::kUmSerialReceive;
using controller::SerialLink;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using test_support::processEventsFor;
using test_support::processEventsUntil;

namespace {

template <typename F>
std::chrono::milliseconds timed(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

std::chrono::milliseconds cpuTime() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return std::chrono::seconds(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::microseconds(use.ru_utime.tv_usec + use.ru_stime.tv_usec));
}

// The slave's settings, read through the master side as the device sees them.
termios lineSettings(const test_support::PtyPair& pty) {
    termios tio{};
    tcgetattr(pty.masterFd(), &tio);
    return tio;
}

class SerialLinkOnPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.ok()); }

    void openMonitored() {
        ASSERT_TRUE(link.Open(&owner, pty.slavePath(), 9600, 0, 8, 1));
        ASSERT_TRUE(link.StartMonitor());
    }

    // Drains the port the way the main window does: one byte per call until none is left.
    void drainOnReceive() {
        owner.handler = [this](const test_support::RecordingOwner::Note& note) {
            std::uint8_t byte = 0;
            while (note.type == kUmSerialReceive && link.Read(&byte, 1) == 1)
                drained.push_back(byte);
        };
    }

    test_support::PtyPair pty;
    test_support::RecordingOwner owner;
    SerialLink link;
    Bytes drained;
};

TEST_F(SerialLinkOnPty, missingPortFailsAndLeavesEveryOperationInert) {
    EXPECT_FALSE(link.Open(&owner, "/nonexistent/COM9", 9600, 0, 8, 1));
    EXPECT_FALSE(link.isOpen());
    const Bytes frame{0xBA, 0x01, 0x01, 0x04, 0x00, 0x00, 0xC0};
    EXPECT_FALSE(link.Write(frame.data(), frame.size(), true));
    EXPECT_EQ(link.BytesQueued(), 0u);
    std::uint8_t byte = 0;
    EXPECT_EQ(link.Read(&byte, 1), 0u);
    EXPECT_FALSE(link.StartMonitor());
    EXPECT_FALSE(link.Close());
}

TEST_F(SerialLinkOnPty, opensFullyRawAtTheGivenSettingsAndKeepsHardwareFlowControl) {
    termios tio = lineSettings(pty);
    ASSERT_TRUE((tio.c_iflag & IXON) && (tio.c_lflag & ECHO)) << "not at the kernel's defaults";
    tio.c_cflag |= CRTSCTS;
    tio.c_iflag |= IXOFF | IXANY;
    ASSERT_EQ(tcsetattr(pty.masterFd(), TCSANOW, &tio), 0);

    ASSERT_TRUE(link.Open(&owner, pty.slavePath(), 19200, 0, 8, 1));
    tio = lineSettings(pty);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (CRTSCTS | CREAD | CLOCAL),
              static_cast<tcflag_t>(CRTSCTS | CREAD | CLOCAL));
    EXPECT_EQ(tio.c_iflag, 0u);
    EXPECT_EQ(tio.c_oflag, 0u);
    EXPECT_EQ(tio.c_lflag, 0u);
    EXPECT_FALSE(link.settingsRejected());

    // Bytes pass untouched both ways: XON and XOFF too, no newline translation, no echo; and an
    // XOFF from the device does not hold back what the program sends.
    pty.write({0x13});
    ASSERT_TRUE(processEventsUntil([&] { return link.BytesQueued() == 1; }));
    const Bytes frame{0xBA, 0x0A, 0x0D, 0x03, 0x7F, 0x00, 0x11, 0x13, 0x96};
    ASSERT_TRUE(link.Write(frame.data(), frame.size(), false));
    EXPECT_EQ(pty.read(frame.size()), frame);
    pty.write(frame);
    ASSERT_TRUE(processEventsUntil([&] { return link.BytesQueued() == 1 + frame.size(); }));
    Bytes got(1 + frame.size());
    ASSERT_EQ(link.Read(std::span<std::uint8_t>(got), 0), got.size());
    EXPECT_EQ(got, (Bytes{0x13, 0xBA, 0x0A, 0x0D, 0x03, 0x7F, 0x00, 0x11, 0x13, 0x96}));
    EXPECT_EQ(pty.readAvailable(50ms), Bytes{});
}

TEST_F(SerialLinkOnPty, rejectedBaudRateIsReportedOnceAndThePortStaysUsable) {
    ASSERT_TRUE(link.Open(&owner, pty.slavePath(), 4800, 0, 8, 1));
    ASSERT_TRUE(link.Open(&owner, pty.slavePath(), 12345, 0, 8, 1));
    EXPECT_TRUE(link.settingsRejected());
    termios tio = lineSettings(pty);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B4800));
    const Bytes frame{0xBA, 0x01, 0x14, 0x03, 0x00, 0xD2};
    EXPECT_TRUE(link.Write(frame.data(), frame.size(), true));
    EXPECT_EQ(pty.read(frame.size()), frame);
}

TEST_F(SerialLinkOnPty, readTakesExactlyTheCountAskedOrNothing) {
    ASSERT_TRUE(link.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
    pty.write({0x11, 0x22, 0x33});
    ASSERT_TRUE(processEventsUntil([&] { return link.BytesQueued() == 3; }));

    std::uint8_t buffer[5] = {};
    EXPECT_EQ(link.Read(buffer, 5), 0u);
    EXPECT_EQ(link.BytesQueued(), 3u);
    // Count 0 takes what is queued, but never more than the buffer holds.
    EXPECT_EQ(link.Read(std::span<std::uint8_t>(buffer, 2), 0), 2u);
    EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x11, 0x22}));
    pty.write({0x44, 0x55});
    ASSERT_TRUE(processEventsUntil([&] { return link.BytesQueued() == 3; }));
    EXPECT_EQ(link.Read(buffer, 0), 0u) << "a pointer alone gives no room for count 0";
    EXPECT_EQ(link.Read(std::span<std::uint8_t>(buffer), 0), 3u);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x33, 0x44, 0x55}));
    EXPECT_EQ(link.BytesQueued(), 0u);
}

TEST_F(SerialLinkOnPty, purgeDiscardsInputAndAPurgingWriteKeepsIt) {
    ASSERT_TRUE(link.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
    pty.write({0x01, 0x02});
    ASSERT_TRUE(processEventsUntil([&] { return link.BytesQueued() == 2; }));
    const Bytes frame{0xBA, 0x01, 0x02};
    ASSERT_TRUE(link.Write(frame.data(), frame.size(), true));
    EXPECT_EQ(link.BytesQueued(), 2u);
    // The device has not read the first frame yet when the second one comes: both arrive.
    ASSERT_TRUE(link.Write(frame.data(), frame.size(), true));
    EXPECT_EQ(pty.read(2 * frame.size()), (Bytes{0xBA, 0x01, 0x02, 0xBA, 0x01, 0x02}));
    link.Purge();
    EXPECT_EQ(link.BytesQueued(), 0u);
}

TEST_F(SerialLinkOnPty, secondOpenOfTheSameDeviceIsRefusedUntilTheFirstCloses) {
    ASSERT_TRUE(link.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
    SerialLink other;
    EXPECT_FALSE(other.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
    EXPECT_TRUE(link.Close());
    EXPECT_TRUE(other.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
}

TEST_F(SerialLinkOnPty, arrivingBytesAreAnnouncedAndDrainedInTheOwnersHandler) {
    drainOnReceive();
    openMonitored();
    const Bytes reply{0xBA, 0x01, 0x01, 0x05, 0x02, 0x03, 0xC6};
    pty.write(reply);
    ASSERT_TRUE(processEventsUntil([&] { return drained.size() == reply.size(); }));
    EXPECT_EQ(drained, reply);
    ASSERT_FALSE(owner.notes.empty());
    EXPECT_EQ(owner.notes[0], (test_support::RecordingOwner::Note{kUmSerialReceive, 0, 0}));
}

TEST_F(SerialLinkOnPty, bytesArrivingWhileTheOwnerHandlesANotificationAreReportedNext) {
    bool first = true;
    owner.handler = [&](const test_support::RecordingOwner::Note&) {
        std::uint8_t byte = 0;
        while (link.Read(&byte, 1) == 1)
            drained.push_back(byte);
        if (std::exchange(first, false)) {
            // The monitor is blocked on this very notification while these arrive.
            pty.write({0x02});
            std::this_thread::sleep_for(50ms);
        }
    };
    openMonitored();
    pty.write({0x01});
    ASSERT_TRUE(processEventsUntil([&] { return drained.size() == 2; }));
    EXPECT_EQ(drained, (Bytes{0x01, 0x02}));
}

TEST_F(SerialLinkOnPty, bytesLeftUnreadDoNotRepeatTheNotification) {
    openMonitored(); // the owner records but reads nothing
    pty.write({0x01, 0x02, 0x03});
    ASSERT_TRUE(processEventsUntil([&] { return !owner.notes.empty(); }));
    processEventsFor(200ms);
    EXPECT_EQ(owner.notes.size(), 1u);
    pty.write({0x04});
    ASSERT_TRUE(processEventsUntil([&] { return owner.notes.size() == 2; }));
    EXPECT_EQ(link.BytesQueued(), 4u);
}

TEST_F(SerialLinkOnPty, withoutAnOwnerNothingIsSentAndTheMonitorKeepsWaiting) {
    ASSERT_TRUE(link.Open(nullptr, pty.slavePath(), 9600, 0, 8, 1));
    ASSERT_TRUE(link.StartMonitor());
    pty.write({0x01});
    processEventsFor(200ms);
    EXPECT_TRUE(owner.notes.empty());
    link.SetOwner(&owner);
    pty.write({0x02});
    EXPECT_TRUE(processEventsUntil([&] { return !owner.notes.empty(); }));
    EXPECT_TRUE(link.isMonitoring());
}

TEST_F(SerialLinkOnPty, closeDropsAPendingNotificationAndSecondCloseReturnsFalse) {
    openMonitored();
    pty.write({0x01});
    // Let the monitor post the notification, but do not let the owner handle it.
    std::this_thread::sleep_for(100ms);
    std::chrono::milliseconds took{};
    bool closed = false;
    took = timed([&] { closed = link.Close(); });
    EXPECT_TRUE(closed);
    EXPECT_LT(took, 1000ms);
    processEventsFor(200ms);
    EXPECT_TRUE(owner.notes.empty());
    EXPECT_FALSE(link.Close());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SerialLinkOnPty, closeFromTheOwnersHandlerReturnsPromptly) {
    std::chrono::milliseconds took{};
    owner.handler = [&](const test_support::RecordingOwner::Note&) {
        took = timed([&] { EXPECT_TRUE(link.Close()); });
    };
    openMonitored();
    pty.write({0x01});
    ASSERT_TRUE(processEventsUntil([&] { return !owner.notes.empty(); }));
    EXPECT_LT(took, 1000ms);
    EXPECT_FALSE(link.isOpen());
    pty.write({0x02});
    processEventsFor(100ms);
    EXPECT_EQ(owner.notes.size(), 1u);
}

TEST_F(SerialLinkOnPty, closeFromANestedEventLoopInsideTheHandlerReturnsPromptly) {
    std::chrono::milliseconds took{};
    owner.handler = [&](const test_support::RecordingOwner::Note&) {
        // As a modal prompt opened by the handler would: the close comes from its loop.
        QEventLoop loop;
        QTimer::singleShot(20ms, [&] {
            took = timed([&] { link.Close(); });
            loop.quit();
        });
        loop.exec();
    };
    openMonitored();
    pty.write({0x01});
    ASSERT_TRUE(processEventsUntil([&] { return !link.isOpen(); }));
    EXPECT_LT(took, 1000ms);
}

TEST(SerialLinkLifetime, linkDestroyedInsideTheHandlerOrOwnerDestroyedWhileMonitoring) {
    test_support::PtyPair pty;
    {
        test_support::RecordingOwner owner;
        auto link = std::make_unique<SerialLink>();
        owner.handler = [&](const test_support::RecordingOwner::Note&) { link.reset(); };
        ASSERT_TRUE(link->Open(&owner, pty.slavePath(), 9600, 0, 8, 1));
        ASSERT_TRUE(link->StartMonitor());
        pty.write({0x01});
        ASSERT_TRUE(processEventsUntil([&] { return link == nullptr; }));
        processEventsFor(50ms);
    }
    SerialLink link;
    auto owner = std::make_unique<test_support::RecordingOwner>();
    ASSERT_TRUE(link.Open(owner.get(), pty.slavePath(), 9600, 0, 8, 1));
    ASSERT_TRUE(link.StartMonitor());
    owner.reset();
    pty.write({0x01});
    processEventsFor(100ms);
    EXPECT_TRUE(link.Close());
}

TEST_F(SerialLinkOnPty, reopeningEndsTheOldMonitorAndWatchesOnlyTheNewPort) {
    test_support::PtyPair second;
    drainOnReceive();
    openMonitored();
    ASSERT_TRUE(link.Open(&owner, second.slavePath(), 9600, 0, 8, 1));
    ASSERT_TRUE(link.StartMonitor());
    pty.write({0x01});
    processEventsFor(100ms);
    EXPECT_TRUE(owner.notes.empty());
    second.write({0x02});
    ASSERT_TRUE(processEventsUntil([&] { return !drained.empty(); }));
    EXPECT_EQ(drained, Bytes{0x02});
}

TEST_F(SerialLinkOnPty, vanishedDeviceCausesNoBusyLoopAndCloseAndOpenStillWork) {
    drainOnReceive();
    openMonitored();
    const std::string deadPath = pty.slavePath();
    pty.releaseSlave();
    pty.closeMaster();
    processEventsFor(100ms);
    const auto before = cpuTime();
    processEventsFor(500ms);
    EXPECT_LT(cpuTime() - before, 150ms) << "the monitor must not spin on a hung-up device";
    EXPECT_LE(owner.notes.size(), 1u);

    const Bytes frame{0xBA, 0x01};
    EXPECT_TRUE(link.Write(frame.data(), frame.size(), true));
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.Open(&owner, deadPath, 9600, 0, 8, 1));
    test_support::PtyPair fresh;
    ASSERT_TRUE(link.Open(&owner, fresh.slavePath(), 9600, 0, 8, 1));
    ASSERT_TRUE(link.StartMonitor());
    fresh.write({0x07});
    ASSERT_TRUE(processEventsUntil([&] { return !drained.empty(); }));
    EXPECT_EQ(drained, Bytes{0x07});
}

} // namespace
