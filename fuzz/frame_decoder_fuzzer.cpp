// Describes arbitrary bytes as a frame in either direction, with port names made of arbitrary
// bytes as well, and checks that the words are one line of valid UTF-8 that never claims more
// than the bytes hold; and that every reply the dispatch acts on has words, not "unknown".
//
// Input layout, read front to back:
//   byte 0      bit 0: the frame is a reply; bit 1: ports have names
//   byte 1      (only with names) length n of the name, then n bytes of it; odd-numbered ports
//               carry it, even-numbered ones none
//   the rest    the frame's bytes
#include "controller/protocol/frame_decoder.h"
#include "controller/protocol/reply_dispatch.h"
#include "controller/protocol/single_line_text.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

const controller::LinkInfo kSerialLink{"COM1", "serial", false, controller::Framing::Stream};

// Written apart from the decoder's own cleaning: Table 3-7 of the Unicode standard, byte by byte.
bool isOneLineOfUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        const std::size_t left = text.size() - i;
        if (b(0) < 0x80) {
            if (b(0) < 0x20 || b(0) == 0x7F)
                return false;
            i += 1;
            continue;
        }
        auto cont = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
            return k < left && b(k) >= low && b(k) <= high;
        };
        if (b(0) >= 0xC2 && b(0) <= 0xDF) {
            // U+0080..U+009F are the C1 controls.
            if (!cont(1) || (b(0) == 0xC2 && b(1) <= 0x9F))
                return false;
            i += 2;
        } else if (b(0) >= 0xE0 && b(0) <= 0xEF) {
            const unsigned low = b(0) == 0xE0 ? 0xA0 : 0x80;
            const unsigned high = b(0) == 0xED ? 0x9F : 0xBF;
            if (!cont(1, low, high) || !cont(2))
                return false;
            // U+2028 and U+2029 end a line as well.
            if (b(0) == 0xE2 && b(1) == 0x80 && (b(2) == 0xA8 || b(2) == 0xA9))
                return false;
            i += 3;
        } else if (b(0) >= 0xF0 && b(0) <= 0xF4) {
            const unsigned low = b(0) == 0xF0 ? 0x90 : 0x80;
            const unsigned high = b(0) == 0xF4 ? 0x8F : 0xBF;
            if (!cont(1, low, high) || !cont(2) || !cont(3))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Counts what dispatch does with a frame, beyond accepting its address.
class EffectCounter : public controller::ReplyHandler {
public:
    void applyCrosspoints(const std::vector<controller::Crosspoint>&) override { ++effects; }
    void endAwaitedRead() override { ++effects; }
    void showPromptText(const std::string&) override { ++effects; }
    void forwardInputProperties(const controller::InputPropertiesReport&) override { ++effects; }
    int effects = 0;
};

// Whether the window would act on the complete frame at the front of `bytes`: dispatch run as
// the collection hands it over (exactly L + 4 bytes, its header accepted), from the address it
// carries, on a grid that every 6-bit port number fits.
bool dispatchActsOn(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 4 || (bytes[0] != 0xBA && bytes[0] != 0x96) || bytes.size() < bytes[3] + 4u)
        return false;
    const std::span<const std::uint8_t> frame(bytes.data(), bytes[3] + 4u);
    const controller::DispatchContext context{bytes[0] == 0xBA ? 0 : 1, bytes[1], 64, 64};
    EffectCounter counter;
    controller::dispatchFrame(frame, kSerialLink, context, counter);
    return counter.effects > 0;
}

bool isUnknownOrIncomplete(const std::string& words) {
    return words.rfind("unknown: ", 0) == 0 || words.rfind("incomplete", 0) == 0;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t mode = input.takeByte();
    const auto direction =
        (mode & 1) != 0 ? controller::FrameDirection::Reply : controller::FrameDirection::Request;
    std::string name;
    controller::PortNamer names;
    if ((mode & 2) != 0) {
        const auto nameBytes = input.takeBytes(input.takeByte());
        name.assign(nameBytes.begin(), nameBytes.end());
        names = [&name](controller::PortKind, int number) {
            FUZZ_CHECK(number >= 1 && number <= 256);
            return number % 2 == 1 ? name : std::string();
        };
        const std::string clean = controller::singleLineText(name);
        FUZZ_CHECK(isOneLineOfUtf8(clean));
        FUZZ_CHECK(controller::singleLineText(clean) == clean);
    }
    // A buffer of exactly the frame's size, so that any read past it is caught.
    const auto rest = input.takeRest();
    const std::vector<std::uint8_t> frame(rest.begin(), rest.end());

    const std::string hex = controller::hexBytes(frame);
    FUZZ_CHECK(hex.size() == (frame.empty() ? 0 : 3 * frame.size() - 1));

    const std::string words = controller::describeFrame(frame, direction, names);
    FUZZ_CHECK(!words.empty());
    FUZZ_CHECK(isOneLineOfUtf8(words));
    FUZZ_CHECK(words == controller::describeFrame(frame, direction, names));
    if (isUnknownOrIncomplete(words)) {
        FUZZ_CHECK(endsWith(words, ": " + hex));
    } else if (!frame.empty()) {
        // Words for a frame only when every byte its length byte announces is there; a request
        // always has its trailer.
        FUZZ_CHECK(frame[0] == 0xBA || frame[0] == 0x96);
        FUZZ_CHECK(frame.size() >= 4 && frame.size() >= frame[3] + 4u);
        FUZZ_CHECK(direction == controller::FrameDirection::Reply || frame[3] >= 1);
    }
    // The decoder and the dispatch read one table of frame shapes: what the window acts on, the
    // traffic view and monitor can name.
    if (direction == controller::FrameDirection::Reply && dispatchActsOn(frame))
        FUZZ_CHECK(!isUnknownOrIncomplete(words));
    return 0;
}
