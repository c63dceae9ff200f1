#include "controller/matrixctl/traffic_line.h"

#include "controller/protocol/frame_decoder.h"
#include "controller/session/crosspoint_file.h"

#include <cstdio>
#include <ctime>

namespace matrixctl {

using controller::jsonString;

namespace {

std::string clockTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) % 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis.count()));
    return text;
}

const char* linkName(controller::ReplySource link) {
    return link == controller::ReplySource::Serial ? "serial" : "udp";
}

std::string line(std::chrono::system_clock::time_point when, controller::ReplySource link,
                 const char* direction, const std::string& text, const std::string& hex,
                 bool json) {
    if (json)
        return "{\"time\": " + jsonString(clockTime(when)) +
               ", \"link\": " + jsonString(linkName(link)) +
               ", \"direction\": " + jsonString(direction) + ", \"text\": " + jsonString(text) +
               ", \"bytes\": " + jsonString(hex) + "}";
    std::string out = clockTime(when) + " " + linkName(link) + " " + direction + "  " + text;
    if (!hex.empty())
        out += "  [" + hex + "]";
    return out;
}

} // namespace

std::string trafficLine(std::chrono::system_clock::time_point when, controller::ReplySource link,
                        TrafficDirection direction, std::span<const std::uint8_t> bytes, bool json,
                        const controller::PortNamer& names) {
    std::string text;
    switch (direction) {
    case TrafficDirection::Sent:
        text = controller::describeFrame(bytes, controller::FrameDirection::Request, names);
        break;
    case TrafficDirection::Received:
        text = controller::describeFrame(bytes, controller::FrameDirection::Reply, names);
        break;
    case TrafficDirection::Discarded:
        text = "dropped " + std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes");
        break;
    }
    return line(when, link, direction == TrafficDirection::Sent ? "tx" : "rx", text,
                controller::hexBytes(bytes), json);
}

std::string trafficNote(std::chrono::system_clock::time_point when, controller::ReplySource link,
                        const std::string& text, bool json) {
    return line(when, link, "--", text, "", json);
}

} // namespace matrixctl
