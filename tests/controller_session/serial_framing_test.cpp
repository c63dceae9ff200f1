// Replies on the serial line are cut into frames where their length bytes say, whatever comes
// before or after them and however the line splits them.
#include "tests/controller_session/session_fixture.h"

namespace controller::session_test {
namespace {

class SerialFraming : public SessionTest {
protected:
    MatrixSession& startOpen(const std::string& size) {
        writeSettings("[SYSTEM_SET]\r\nMatrixType=3\r\nMatrixSize=" + size + "\r\n");
        MatrixSession& session = start(true);
        EXPECT_TRUE(session.openPort("/dev/fake-matrix", 9600));
        recorder.events.clear();
        return session;
    }
};

// Every length byte from 0 to 255, frame after frame on the line: each frame is cut exactly
// where its length byte says. Cutting one byte early or late would put a data byte at the head
// of the next frame, which empties the buffer and loses the frames behind it, so the count and
// order of the texts prove every cut. Each text differs from the others (the first size of an
// equipment reply is its length byte), so none is collapsed with one still waiting; the other
// data bytes are all 0xBA, the header itself, so nothing can pass for a frame start by luck. A
// few frames at a time: a burst keeps at most eight texts waiting.
TEST_F(SerialFraming, RepliesOfEveryLengthByteAreEachDispatchedOnce) {
    const char* const kNames[] = {"VGA Matrix", "Video Matrix", "Audio Matrix", "VGA+Audio Matrix",
                                  "AV Matrix",  "DVI Matrix",   "HDMI Matrix",  "SDI Matrix"};
    startOpen("0");
    std::vector<std::string> expected;
    Bytes chunk;
    for (int length = 0; length <= 255; ++length) {
        const auto code =
            static_cast<std::uint8_t>(length < 2 ? (length == 0 ? 0x11 : 0x15) : 0xA0 + length % 8);
        Bytes frame{0xBA, 0x01, code, static_cast<std::uint8_t>(length)};
        frame.insert(frame.end(), static_cast<std::size_t>(length), 0xBA);
        if (length >= 2) {
            frame[4] = static_cast<std::uint8_t>(length);
            expected.push_back(std::string("text Current equipment:") + kNames[length % 8] +
                               "\r\nSpecifications: " + std::to_string(length) + " * 186\r\n");
        } else {
            expected.push_back(length == 0 ? "text   Save scene successfully!  "
                                           : "text Reload scene successfully!");
        }
        chunk.insert(chunk.end(), frame.begin(), frame.end());
        if (expected.size() % 6 == 0 || length == 255) {
            deviceSends(chunk);
            chunk.clear();
            ASSERT_EQ(recorder.events.size(), expected.size()) << "stuck after length " << length;
        }
    }
    EXPECT_EQ(recorder.events, expected);
}

// The identity reply split at every byte boundary: nothing happens until its last byte is in.
TEST_F(SerialFraming, ReplySplitAtAnyByteIsDispatchedWhenItsLastByteArrives) {
    startOpen("2");
    const Bytes identity{0xBA, 0x01, 0x14, 0x05, 0x00, 0xA6, 0x01, 0x10, 0x10};
    const std::string told = "text Current equipment:HDMI Matrix\r\nDevice Address: 1\r\n"
                             "Specifications: 16 * 16\r\n";
    for (std::size_t cut = 1; cut < identity.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        recorder.events.clear();
        deviceSends(Bytes(identity.begin(), identity.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_TRUE(recorder.events.empty());
        deviceSends(Bytes(identity.begin() + static_cast<std::ptrdiff_t>(cut), identity.end()));
        EXPECT_EQ(recorder.events, std::vector<std::string>{told});
    }
}

} // namespace
} // namespace controller::session_test
