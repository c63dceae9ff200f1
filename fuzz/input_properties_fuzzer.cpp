// Decodes arbitrary bytes as a 0x1E input properties report, directly and through dispatch: a
// report comes out exactly when the frame holds everything its length byte announces and that
// reaches offset 9 (L >= 6), and then carries the bytes at offsets 4, 7, 8 and 9.
#include "controller/protocol/reply_dispatch.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace {

const controller::LinkInfo kSerialLink{"COM1", "serial", false, controller::Framing::Stream};

using controller::InputPropertiesReport;

class ReportCatcher : public controller::ReplyHandler {
public:
    void applyCrosspoints(const std::vector<controller::Crosspoint>&) override { ++others; }
    void endAwaitedRead() override { ++others; }
    void showPromptText(const std::string&) override { ++others; }
    void forwardInputProperties(const InputPropertiesReport& report) override {
        FUZZ_CHECK(!caught);
        caught = report;
    }

    std::optional<InputPropertiesReport> caught;
    int others = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The frame is copied to a buffer of exactly its size, so that any read past it is caught.
    const std::vector<std::uint8_t> frame(data, data + size);
    const std::span<const std::uint8_t> bytes(frame);

    const auto report = controller::decodeInputPropertiesReport(bytes);
    const bool whole = size >= 4 && size >= std::size_t{frame[3]} + 4 && frame[3] >= 6;
    FUZZ_CHECK(report.has_value() == whole);
    if (report) {
        FUZZ_CHECK(report->channel == frame[4]);
        FUZZ_CHECK(report->edid == frame[7]);
        FUZZ_CHECK(report->crop == frame[8]);
        FUZZ_CHECK(report->aspectRatio == frame[9]);
    }

    // Through dispatch, addressed to the device as the window knows it: a 0x1E frame yields the
    // same report and nothing else; any other frame never yields a report.
    if (size >= 2) {
        controller::DispatchContext context;
        context.deviceAddress = frame[1];
        ReportCatcher catcher;
        controller::dispatchFrame(bytes, kSerialLink, context, catcher);
        if (size >= 3 && frame[2] == 0x1E) {
            FUZZ_CHECK(catcher.caught == report);
            FUZZ_CHECK(catcher.others == 0);
        } else {
            FUZZ_CHECK(!catcher.caught);
        }
    }
    return 0;
}
