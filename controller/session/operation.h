#pragma once

#include "controller/protocol/reply_handler.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace controller {

// A request the session puts on the line together with what it expects back: the operation's
// kind and arguments, how long it waits for the answer and what it does when none comes.
// Inputs, outputs and channels count from 0 as on the wire; scenes from 1.
struct Operation {
    enum class Kind {
        Switch,         // input `input` to output `output`; answered by a 0x01 echo
        ReadState,      // the whole switch state; answered by 0x02
        Identity,       // to every device; answered by 0x14 from any address
        SaveScene,      // scene `scene`; answered by 0x11
        LoadScene,      // answered by 0x15
        StartCycling,   // no answer
        StopCycling,    // no answer
        OutputProperty, // 0x1C: property, value, channel; no answer
        InputProperty,  // 0x1D; no answer, except property 0x11 (read), answered by 0x1E
        Request,        // a frame built elsewhere (`frame`), no answer
    };

    Kind kind = Kind::ReadState;
    int output = 0;
    int input = 0;
    int scene = 0;
    std::uint8_t property = 0;
    std::uint8_t value = 0;
    std::uint8_t channel = 0;
    std::vector<std::uint8_t> frame; // Request
    bool serialOnly = false;         // Request: never as a datagram
    // How long the answer is awaited once the request is out.
    std::chrono::milliseconds timeLimit{1000};
    // Switch: when no echo confirmed it by the time limit, the state is read back (waiting as
    // long again) and the outcome says what the output shows.
    bool readBackWhenUnconfirmed = false;

    static Operation switchInput(int output, int input);
    static Operation readState();
    static Operation identity();
    static Operation saveScene(int scene);
    static Operation loadScene(int scene);
    static Operation cycling(bool start);
    static Operation outputProperty(std::uint8_t property, std::uint8_t value,
                                    std::uint8_t channel);
    static Operation inputProperty(std::uint8_t property, std::uint8_t value, std::uint8_t channel);
    static Operation request(std::vector<std::uint8_t> frame, bool serialOnly);

    Operation& within(std::chrono::milliseconds limit) {
        timeLimit = limit;
        return *this;
    }
    Operation& verified() {
        readBackWhenUnconfirmed = true;
        return *this;
    }

    // Whether the device answers this request at all.
    bool expectsAnswer() const;
};

// The device's identity as a 0x14 answer reports it.
struct DeviceIdentity {
    std::uint8_t type = 0; // the type code, 0xA0..0xA8
    std::uint8_t address = 0;
    int inputs = 0;
    int outputs = 0;
    bool operator==(const DeviceIdentity&) const = default;
};

// How one operation ended.
enum class Outcome {
    Confirmed,         // the device answered, and as asked (or the request needs no answer)
    AnsweredOtherwise, // it answered, with something else (see the result's details)
    NoAnswer,          // nothing fitting came within the time limit
    OtherAddress,      // only a device at another address than asked answered
    NotSent,           // no link was in use: nothing went out
};

struct OperationResult {
    Outcome outcome = Outcome::NoAnswer;
    // The address of the device that answered; for OtherAddress, the one that answered instead.
    std::optional<std::uint8_t> answeredBy;
    // The address asked, 0xFF for every device.
    std::uint8_t asked = 1;

    // Switch: the input the output shows (from 0), when the answer or read-back says; none when
    // the read-back names no input for it.
    std::optional<int> shownInput;
    // ReadState, and the read-back of a switch: the crosspoints reported inside the current size,
    // one per output, in output order.
    std::vector<Crosspoint> crosspoints;
    // Identity.
    std::optional<DeviceIdentity> identity;
    // Scene save and load: the scene the device named in its answer, when it named one.
    std::optional<int> scene;
    // The 0x1E report of an input property read.
    std::optional<InputPropertiesReport> inputProperties;
};

// What one received frame means to an operation waiting for its answer.
enum class Verdict {
    Unrelated, // not an answer to this request
    NotYet,    // an answer of the right kind from the right device that is not this one's: an
               // echo naming another input for the output, a report of another input
    Foreign,   // the right answer from a device at another address than asked
    Answer,    // the answer; its result follows from answerResult
};

// Reads `frame` (a complete frame whose header was accepted) against `op` sent to `asked`
// (0xFF: every device) on a matrix of `ports` inputs and outputs. Plain byte logic: whatever the
// frame holds, nothing is read beyond it.
Verdict judgeFrame(const Operation& op, std::uint8_t asked, int ports,
                   std::span<const std::uint8_t> frame);

// The input a 0x01 echo says the output of switch `op` shows (judgeFrame said NotYet: not the one
// asked for), or none.
std::optional<int> echoedInput(const Operation& op, int ports, std::span<const std::uint8_t> frame);

// The result of `op` answered by `frame` (judgeFrame said Answer).
OperationResult answerResult(const Operation& op, std::uint8_t asked, int ports,
                             std::span<const std::uint8_t> frame);

// The outcome of a switch whose state was read back instead of echoed: Confirmed when the
// output shows the input asked for, AnsweredOtherwise otherwise (shownInput says what it shows).
OperationResult readBackResult(const Operation& op, std::uint8_t asked, int ports,
                               std::span<const std::uint8_t> frame);

} // namespace controller
