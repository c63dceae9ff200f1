#include "tests/controller_ui/main_window_fixture.h"

namespace controller_ui_test {
namespace {

using controller::MainWindow;

const std::string kSaved = "  Save scene successfully!  ";
const std::string kReloadedSerial = "Reload scene successfully!";

// Every length byte from 0 to 255, frame after frame on the line: each frame is cut exactly
// where its length byte says. Cutting one byte early or late would put a data byte at the head
// of the next frame, which empties the buffer and loses the frames behind it, so the count and
// order of the messages prove every cut. Each message differs from the others (the first size
// of an equipment reply is its length byte), so none is collapsed with one still waiting; the
// other data bytes are all 0xBA, the header itself, so nothing can pass for a frame start by
// luck. A few frames at a time: a burst keeps at most eight messages waiting.
TEST_F(MainWindowTest, RepliesOfEveryLengthByteAreEachDispatchedOnce) {
    const char* const kNames[] = {"VGA Matrix", "Video Matrix", "Audio Matrix", "VGA+Audio Matrix",
                                  "AV Matrix",  "DVI Matrix",   "HDMI Matrix",  "SDI Matrix"};
    start();
    std::vector<std::string> expected;
    Bytes chunk;
    for (int length = 0; length <= 255; ++length) {
        const auto code =
            static_cast<std::uint8_t>(length < 2 ? (length == 0 ? 0x11 : 0x15) : 0xA0 + length % 8);
        Bytes frame{0xBA, 0x01, code, static_cast<std::uint8_t>(length)};
        frame.insert(frame.end(), static_cast<std::size_t>(length), 0xBA);
        if (length >= 2) {
            frame[4] = static_cast<std::uint8_t>(length);
            expected.push_back(std::string("Current equipment:") + kNames[length % 8] +
                               "\r\nSpecifications: " + std::to_string(length) + " * 186\r\n");
        } else {
            expected.push_back(length == 0 ? kSaved : kReloadedSerial);
        }
        chunk.insert(chunk.end(), frame.begin(), frame.end());
        if (expected.size() % 6 == 0 || length == 255) {
            deviceSends(chunk);
            chunk.clear();
            ASSERT_EQ(m_prompts.prompts.size(), expected.size())
                << "stuck after length " << length << " with " << m_prompts.prompts.size()
                << " replies dispatched";
        }
    }
    EXPECT_EQ(m_prompts.texts(), expected);
}

// The identity reply split at every byte boundary: nothing happens until its last byte is in.
TEST_F(MainWindowTest, ReplySplitAtAnyByteIsDispatchedWhenItsLastByteArrives) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=2\r\n");
    start();
    const Bytes identity{0xBA, 0x01, 0x14, 0x05, 0x00, 0xA6, 0x01, 0x10, 0x10};
    const std::string shown = "Current equipment:HDMI Matrix\r\n"
                              "Device Address: 1\r\n"
                              "Specifications: 16 * 16\r\n";
    for (std::size_t cut = 1; cut < identity.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        m_prompts.clear();
        deviceSends(Bytes(identity.begin(), identity.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_TRUE(m_prompts.prompts.empty());
        deviceSends(Bytes(identity.begin() + static_cast<std::ptrdiff_t>(cut), identity.end()));
        EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{shown});
    }
}

} // namespace
} // namespace controller_ui_test
