#include "sim/common/hex_log.h"

#include <chrono>
#include <ctime>
#include <unistd.h>

namespace sim {

namespace {

std::string Timestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

} // namespace

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

HexLog::HexLog() : m_out(stdout) {}

HexLog::~HexLog() {
    if (m_ownsFile)
        std::fclose(m_out);
}

bool HexLog::OpenFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file)
        return false;
    if (m_ownsFile)
        std::fclose(m_out);
    m_out = file;
    m_ownsFile = true;
    return true;
}

void HexLog::Clear() {
    if (!m_ownsFile)
        return;
    std::fflush(m_out);
    // Opened for appending: the next line goes to the start of the emptied file.
    [[maybe_unused]] const int cut = ftruncate(fileno(m_out), 0);
}

void HexLog::Bytes(std::string_view tag, std::span<const std::uint8_t> bytes) {
    std::string line(tag);
    line += ' ';
    line += ToHex(bytes);
    Line(line);
}

void HexLog::Line(std::string_view text) {
    std::fprintf(m_out, "%s %.*s\n", Timestamp().c_str(), static_cast<int>(text.size()),
                 text.data());
    std::fflush(m_out);
}

} // namespace sim
