#pragma once

#include "controller/protocol/reply_handler.h"

#include <functional>
#include <string>
#include <vector>

namespace controller {

// A serial line and a UDP terminal, as their frames carry them.
inline const LinkInfo kSerialLink{"COM1", "serial", false, Framing::Stream};
inline const LinkInfo kUdpLink{"UDP 127.0.0.1:4068", "udp", true, Framing::Datagram};

// Writes down every effect of dispatch as one line, so that tests can check what happened and
// in which order: "pairs 0<2 1<2", "end read", "text:...", "report 3 5 1 2".
class RecordingHandler : public ReplyHandler {
public:
    void applyCrosspoints(const std::vector<Crosspoint>& pairs) override {
        std::string line = "pairs";
        for (const auto& p : pairs) {
            line += " " + std::to_string(p.output) + "<" + std::to_string(p.input);
        }
        record(line);
    }
    void endAwaitedRead() override { record("end read"); }
    void showPromptText(const std::string& text) override { record("text:" + text); }
    void forwardInputProperties(const InputPropertiesReport& r) override {
        record("report " + std::to_string(r.channel) + " " + std::to_string(r.edid) + " " +
               std::to_string(r.crop) + " " + std::to_string(r.aspectRatio));
    }

    std::vector<std::string> events;
    // Runs after an effect is recorded, in the middle of dispatch, as a modal prompt's event
    // loop would.
    std::function<void()> duringEffect;

private:
    void record(std::string line) {
        events.push_back(std::move(line));
        if (duringEffect) {
            auto nested = std::move(duringEffect);
            duringEffect = nullptr;
            nested();
        }
    }
};

} // namespace controller
