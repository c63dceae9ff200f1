// Feeds FrameAccumulator arbitrary serial batches and datagrams, some of them arriving while a
// prompt of an earlier reply is open (as a modal prompt's event loop lets them), and compares
// every effect of dispatch with a plain model of the collection rules and the command table.
//
// Input layout, read front to back:
//   byte 0      bit 0: ProtocolType (0 or 1); bits 1-2: grid size 4, 8, 16 or 32
//   byte 1      the device address ("Matrix ID")
//   then steps, each starting with a control byte c:
//     c >> 6 = 0  serial batch of c & 0x3F bytes (0x3F: plus 4 x the next byte)
//     c >> 6 = 1  datagram of c & 0x3F bytes, same rule; 0 bytes is an empty poll
//     c >> 6 = 2  bytes that arrive while the next prompt is open: bit 5 says datagram,
//                 c & 0x1F bytes (0x1F: plus 4 x the next byte)
//     c >> 6 = 3  the operator changes the grid (c & 3) and the device address (next byte)
#include "controller/protocol/frame_accumulator.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/reply_model.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace {

using controller::DispatchContext;
using controller::FrameAccumulator;

constexpr int kGridSizes[] = {4, 8, 16, 32};
constexpr std::size_t kMaxPairs = 126; // (255 - 3) / 2: the most any length byte can announce
constexpr int kMaxNesting = 8;

struct Arrival {
    bool network = false;
    std::vector<std::uint8_t> bytes;
};

class Run : public controller::ReplyHandler {
public:
    explicit Run(const DispatchContext& context)
        : m_context(context), m_model(FrameAccumulator::kStreamBufferCapacity,
                                      FrameAccumulator::kDatagramBufferCapacity) {}

    void setGrid(int size) { m_context.inputCount = m_context.outputCount = size; }
    void setAddress(std::uint8_t address) { m_context.deviceAddress = address; }

    void arriveDuringNextPrompt(Arrival arrival) { m_waiting.push_back(std::move(arrival)); }

    void deliver(const Arrival& arrival) {
        const auto expected = arrival.network ? m_model.collectNetwork(arrival.bytes, m_context)
                                              : m_model.collectSerial(arrival.bytes, m_context);
        m_expected.insert(m_expected.end(), expected.begin(), expected.end());
        m_accumulator.collect(arrival.network ? m_network : m_serial, arrival.bytes, m_context,
                              *this);
        checkBuffers();
    }

    // What no prompt took arrives now, in order.
    void deliverWaiting() {
        while (!m_waiting.empty()) {
            const Arrival arrival = std::move(m_waiting.front());
            m_waiting.pop_front();
            deliver(arrival);
        }
    }

    void checkEffects() const { FUZZ_CHECK(m_effects == m_expected); }

private:
    void applyCrosspoints(const std::vector<controller::Crosspoint>& pairs) override {
        FUZZ_CHECK(!pairs.empty());
        FUZZ_CHECK(pairs.size() <= kMaxPairs);
        for (const auto& pair : pairs) {
            FUZZ_CHECK(pair.output >= 0 && pair.output < m_context.outputCount);
            FUZZ_CHECK(pair.input >= 0 && pair.input < m_context.inputCount);
        }
        record(fuzz::pairsLine(pairs));
    }
    void endAwaitedRead() override { record("end read"); }
    void showPromptText(const std::string& text) override {
        record("text:" + text);
        // The prompt is modal: its event loop lets the next arrival in.
        if (m_nesting < kMaxNesting && !m_waiting.empty()) {
            const Arrival arrival = std::move(m_waiting.front());
            m_waiting.pop_front();
            ++m_nesting;
            deliver(arrival);
            --m_nesting;
        }
    }
    void forwardInputProperties(const controller::InputPropertiesReport& report) override {
        record(fuzz::reportLine(report));
    }

    void record(std::string line) {
        m_effects.push_back(std::move(line));
        // Effects come in arrival order, so what happened so far is a prefix of what must.
        FUZZ_CHECK(m_effects.size() <= m_expected.size());
        FUZZ_CHECK(m_effects.back() == m_expected[m_effects.size() - 1]);
    }

    void checkBuffers() const {
        FUZZ_CHECK(m_serial.waiting() <= FrameAccumulator::kStreamBufferCapacity);
        FUZZ_CHECK(m_network.waiting() <= FrameAccumulator::kDatagramBufferCapacity);
        FUZZ_CHECK(m_serial.waiting() == m_model.serialBufferedBytes());
        FUZZ_CHECK(m_network.waiting() == m_model.networkBufferedBytes());
    }

    DispatchContext m_context;
    FrameAccumulator m_accumulator;
    FrameAccumulator::LinkBuffer m_serial{{"COM1", "serial", false, controller::Framing::Stream}};
    FrameAccumulator::LinkBuffer m_network{
        {"UDP 127.0.0.1:4068", "udp", true, controller::Framing::Datagram}};
    fuzz::ReplyModel m_model;
    std::deque<Arrival> m_waiting;
    std::vector<std::string> m_effects;
    std::vector<std::string> m_expected;
    int m_nesting = 0;
};

std::vector<std::uint8_t> takeBatch(fuzz::FuzzInput& input, std::size_t length, std::size_t more) {
    if (length == more)
        length += 4 * std::size_t{input.takeByte()};
    const auto bytes = input.takeBytes(length);
    return {bytes.begin(), bytes.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t setup = input.takeByte();
    DispatchContext context;
    context.protocolType = setup & 1;
    context.inputCount = context.outputCount = kGridSizes[(setup >> 1) & 3];
    context.deviceAddress = input.takeByte();
    Run run(context);

    while (!input.empty()) {
        const std::uint8_t control = input.takeByte();
        switch (control >> 6) {
        case 0:
        case 1:
            run.deliver({(control >> 6) == 1, takeBatch(input, control & 0x3F, 0x3F)});
            run.deliverWaiting();
            break;
        case 2:
            run.arriveDuringNextPrompt(
                {(control & 0x20) != 0, takeBatch(input, control & 0x1F, 0x1F)});
            break;
        default:
            run.deliverWaiting();
            run.setGrid(kGridSizes[control & 3]);
            run.setAddress(input.takeByte());
            break;
        }
        run.checkEffects();
    }
    run.deliverWaiting();
    run.checkEffects();
    return 0;
}
