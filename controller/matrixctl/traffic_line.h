#pragma once

#include "controller/protocol/frame_decoder.h"
#include "controller/protocol/reply_handler.h"
#include "controller/session/traffic_log.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace matrixctl {

// The same words and times as Brisvane's traffic view.
using controller::TrafficDirection;

// One line of monitor's trace: local time to the millisecond, the link's kind ("serial", "udp",
// "tcp"), the
// direction, the frame in words and its bytes in hex:
//   14:03:07.125 serial tx  switch input 3 → output 5, HDMI Matrix (device 1)  [BA 01 01 04 A6 04
//   02 6C]
// With `json`, one JSON object with the keys time, link, direction, text and bytes. The words
// carry the operator's port names that `names` gives.
std::string trafficLine(std::chrono::system_clock::time_point when,
                        const controller::LinkInfo& link, TrafficDirection direction,
                        std::span<const std::uint8_t> bytes, bool json,
                        const controller::PortNamer& names = {});

// A line of the trace that tells of the link itself ("the device went away"), in the same form.
std::string trafficNote(std::chrono::system_clock::time_point when,
                        const controller::LinkInfo& link, const std::string& text, bool json);

} // namespace matrixctl
