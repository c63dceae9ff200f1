#include "controller/matrixctl/traffic_line.h"

#include "controller/protocol/frame_decoder.h"
#include "controller/session/crosspoint_file.h"

namespace matrixctl {

using controller::jsonString;

namespace {

std::string line(std::chrono::system_clock::time_point when, const controller::LinkInfo& link,
                 const char* direction, const std::string& text, const std::string& hex,
                 bool json) {
    if (json)
        return "{\"time\": " + jsonString(controller::trafficClock(when)) +
               ", \"link\": " + jsonString(link.kind) +
               ", \"direction\": " + jsonString(direction) + ", \"text\": " + jsonString(text) +
               ", \"bytes\": " + jsonString(hex) + "}";
    std::string out =
        controller::trafficClock(when) + " " + link.kind + " " + direction + "  " + text;
    if (!hex.empty())
        out += "  [" + hex + "]";
    return out;
}

} // namespace

std::string trafficLine(std::chrono::system_clock::time_point when,
                        const controller::LinkInfo& link, TrafficDirection direction,
                        std::span<const std::uint8_t> bytes, bool json,
                        const controller::PortNamer& names) {
    return line(when, link, controller::trafficDirectionTag(direction),
                controller::trafficWords(direction, bytes, names), controller::hexBytes(bytes),
                json);
}

std::string trafficNote(std::chrono::system_clock::time_point when,
                        const controller::LinkInfo& link, const std::string& text, bool json) {
    return line(when, link, "--", text, "", json);
}

} // namespace matrixctl
