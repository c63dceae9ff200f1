// Runs the ini profile functions over arbitrary file contents: reads of every kind, then one
// write, after which every line but the written one must be as it was, byte for byte, the value
// must read back, and no other key may read differently. The same file behind a UTF-8
// byte-order mark must read the same, and the same write must leave the mark and the same bytes.
//
// Input layout, read front to back:
//   byte 0      bits 0-2 pick the section, bits 3-5 the key: 0-5 from the names the programs
//               use, 6-7 spelled out in the input as a length byte and that many bytes
//   then        the section and key spelled out, when picked so
//   next byte   the value's length (low 6 bits), then the value
//   next byte   the read limit in characters
//   the rest    the file's contents
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "platform/profile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using platform::getProfileInt;
using platform::getProfileString;
using platform::writeProfileString;

constexpr std::array<std::string_view, 6> kSections = {"SYSTEM_SET", "Net", "COMM",
                                                       "Ports",      "net", " Net "};
constexpr std::array<std::string_view, 6> kKeys = {"SelectCOM", "DestPort", "Destport",
                                                   "NetIP",     "AUTOID",   "COM1"};
constexpr std::size_t kWholeValue = 1 << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The pairs whose reads must not change unless they name the key written.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kWatched = {{
    {"SYSTEM_SET", "SelectCOM"},
    {"Net", "DestPort"},
    {"COMM", "AUTOID"},
    {"Ports", "COM1"},
}};

const std::string& scratchPath() {
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/profile-fuzz-" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

void putFile(const std::string& bytes) {
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    FUZZ_CHECK(std::fclose(file) == 0);
}

std::string fileBytes() {
    std::string bytes;
    std::FILE* file = std::fopen(scratchPath().c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

std::string takeName(fuzz::FuzzInput& input, unsigned pick,
                     const std::array<std::string_view, 6>& names) {
    if (pick < names.size())
        return std::string(names[pick]);
    const auto bytes = input.takeBytes(input.takeByte() % 24);
    return {bytes.begin(), bytes.end()};
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

bool sameName(std::string_view a, std::string_view b) {
    const std::string x = trimmed(a);
    const std::string y = trimmed(b);
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(x[i]) != lower(y[i]))
            return false;
    }
    return true;
}

struct Line {
    std::string text;
    std::string ending; // "\n", "\r\n" or "" for a last line without one
    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t newline = bytes.find('\n', at);
        if (newline == std::string::npos) {
            lines.push_back({bytes.substr(at), ""});
            break;
        }
        const bool crlf = newline > at && bytes[newline - 1] == '\r';
        const std::size_t end = crlf ? newline - 1 : newline;
        lines.push_back({bytes.substr(at, end - at), crlf ? "\r\n" : "\n"});
        at = newline + 1;
    }
    return lines;
}

// The only changes a write may make: one line's text becomes the entry (its ending kept), or
// the entry, perhaps after a new section line, is inserted as whole lines; a last line without
// an ending gets one in front of an insertion.
void checkOnlyTheEntryChanged(const std::string& before, const std::string& after,
                              const std::string& section, const std::string& entry) {
    const std::size_t firstNewline = before.find('\n');
    const bool lf = firstNewline != std::string::npos &&
                    (firstNewline == 0 || before[firstNewline - 1] != '\r');
    const std::string eol = lf ? "\n" : "\r\n";

    const auto b = linesOf(before);
    const auto a = linesOf(after);
    std::size_t head = 0;
    while (head < b.size() && head < a.size() && b[head] == a[head])
        ++head;
    std::size_t tail = 0;
    while (tail < b.size() - head && tail < a.size() - head &&
           b[b.size() - 1 - tail] == a[a.size() - 1 - tail])
        ++tail;
    const std::vector<Line> removed(b.begin() + head, b.end() - tail);
    std::vector<Line> added(a.begin() + head, a.end() - tail);

    if (removed.size() == 1 && added.size() == 1 && added[0].ending == removed[0].ending) {
        FUZZ_CHECK(added[0].text == entry);
        return;
    }
    const std::string sectionLine = "[" + trimmed(section) + "]";
    if (removed.size() == 1) {
        // The file's last line lacked an ending: every byte of the file stays where it was and
        // the new lines follow one line ending. (A last line ending in a lone carriage return
        // thereby ends in CR LF; its text, blanks aside, is the same.)
        FUZZ_CHECK(tail == 0 && head + 1 == b.size() && removed[0].ending.empty());
        FUZZ_CHECK(after.compare(0, before.size(), before) == 0);
        const std::string rest = after.substr(before.size());
        // A file of nothing but a byte-order mark has no line to end.
        if (before == kByteOrderMark) {
            FUZZ_CHECK(rest == sectionLine + eol + entry + eol);
            return;
        }
        FUZZ_CHECK(rest == eol + entry + eol || rest == eol + sectionLine + eol + entry + eol);
        return;
    }
    FUZZ_CHECK(removed.empty());
    if (added.empty()) // the entry was there already, exactly as written
        return;
    FUZZ_CHECK(added.back() == (Line{entry, eol}));
    added.pop_back();
    if (!added.empty()) {
        FUZZ_CHECK(added.size() == 1);
        FUZZ_CHECK(added[0] == (Line{sectionLine, eol}));
    }
}

std::string unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::vector<std::string> watchedReads() {
    std::vector<std::string> reads;
    for (const auto& [section, key] : kWatched) {
        reads.push_back(getProfileString(section, key, "\x01missing", kWholeValue, scratchPath()));
        reads.push_back(std::to_string(getProfileInt(section, key, -7, scratchPath())));
    }
    return reads;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t picks = input.takeByte();
    const std::string section = takeName(input, picks & 7, kSections);
    const std::string key = takeName(input, (picks >> 3) & 7, kKeys);
    const auto valueBytes = input.takeBytes(input.takeByte() & 0x3F);
    const std::string value(valueBytes.begin(), valueBytes.end());
    const std::size_t limit = input.takeByte();
    const auto contentBytes = input.takeRest();
    const std::string before(contentBytes.begin(), contentBytes.end());
    putFile(before);

    const std::string whole = getProfileString(section, key, "", kWholeValue, scratchPath());
    const std::string cut = getProfileString(section, key, "", limit, scratchPath());
    FUZZ_CHECK(cut.size() <= limit);
    FUZZ_CHECK(whole.compare(0, cut.size(), cut) == 0);
    // A cut gives up at most the first byte of a double-byte character that would not fit.
    FUZZ_CHECK(cut.size() == std::min(whole.size(), limit) || cut.size() + 1 == limit);
    const int number = getProfileInt(section, key, 0, scratchPath());
    const auto watchedBefore = watchedReads();
    FUZZ_CHECK(fileBytes() == before);

    const bool written = writeProfileString(section, key, value, scratchPath());
    const std::string after = fileBytes();

    // A byte-order mark in front changes nothing but itself being there (unless the file had one
    // already, which then becomes part of its first line).
    if (!before.starts_with(kByteOrderMark)) {
        putFile(std::string(kByteOrderMark) + before);
        FUZZ_CHECK(getProfileString(section, key, "", kWholeValue, scratchPath()) == whole);
        FUZZ_CHECK(getProfileInt(section, key, 0, scratchPath()) == number);
        FUZZ_CHECK(watchedReads() == watchedBefore);
        FUZZ_CHECK(writeProfileString(section, key, value, scratchPath()) == written);
        FUZZ_CHECK(fileBytes() == (written ? std::string(kByteOrderMark) + after
                                           : std::string(kByteOrderMark) + before));
        putFile(after);
    }
    if (!written) {
        FUZZ_CHECK(after == before);
        return 0;
    }
    checkOnlyTheEntryChanged(before, after, section, trimmed(key) + "=" + value);
    // Read back as a Windows caller sees it: up to a NUL byte, without matching quotes.
    const std::string stored = trimmed(value);
    FUZZ_CHECK(getProfileString(section, key, "\x01missing", kWholeValue, scratchPath()) ==
               unquoted(stored.substr(0, stored.find('\0'))));
    const auto watchedAfter = watchedReads();
    for (std::size_t i = 0; i < kWatched.size(); ++i) {
        if (sameName(kWatched[i].first, section) && sameName(kWatched[i].second, key))
            continue;
        FUZZ_CHECK(watchedAfter[2 * i] == watchedBefore[2 * i]);
        FUZZ_CHECK(watchedAfter[2 * i + 1] == watchedBefore[2 * i + 1]);
    }
    return 0;
}
