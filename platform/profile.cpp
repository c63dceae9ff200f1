#include "platform/profile.h"

#include "platform/whole_file.h"

#include <cstdint>
#include <optional>

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// One line of the file: [begin, end) is its text, next is where the following line starts
// (end plus the length of its "\n" or "\r\n", or end itself for a last line without one).
struct LineSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // entry value, trimmed
};

ParsedLine parseLine(std::string_view text) {
    text = trim(text);
    if (text.empty())
        return {LineKind::Blank, {}, {}};
    if (text.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (text.front() == '[') {
        // The name runs to the line's last "]": "[A]x]" names "A]x", "[A] ; note" names "A".
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos)
            return {LineKind::Section, trim(text.substr(1, close - 1)), {}};
        return {LineKind::Other, {}, {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::Other, {}, {}};
    return {LineKind::Entry, trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

// Where a key stands in a file, or where it would go.
struct Location {
    std::optional<LineSpan> keyLine;     // first entry of the key in the first such section
    std::string_view value;              // its value, trimmed
    std::optional<LineSpan> sectionTail; // last non-blank line of the first such section
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where the first line starts: after a UTF-8 byte-order mark, which belongs to no line.
std::size_t bodyStart(std::string_view content) {
    return content.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Only the first section of a name counts: a later one of the same name is neither read nor
// written, even for keys the first one lacks.
Location locate(std::string_view content, std::string_view section, std::string_view key) {
    Location found;
    bool inSection = false;
    std::size_t pos = bodyStart(content);
    while (pos < content.size()) {
        LineSpan line;
        line.begin = pos;
        const std::size_t newline = content.find('\n', pos);
        if (newline == std::string_view::npos) {
            line.end = line.next = content.size();
        } else {
            line.end = (newline > pos && content[newline - 1] == '\r') ? newline - 1 : newline;
            line.next = newline + 1;
        }
        pos = line.next;

        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection)
                return found;
            inSection = !found.sectionTail && equalsIgnoringCase(parsed.name, section);
            if (inSection)
                found.sectionTail = line;
            continue;
        }
        if (!inSection)
            continue;
        if (parsed.kind != LineKind::Blank)
            found.sectionTail = line;
        if (parsed.kind == LineKind::Entry && equalsIgnoringCase(parsed.name, key)) {
            found.keyLine = line;
            found.value = parsed.value;
            return found;
        }
    }
    return found;
}

// Windows hands back a value written in matching quotes without them.
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> readValue(std::string_view section, std::string_view key,
                                     const std::string& path) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return std::nullopt;
    std::string content;
    if (readWholeFile(path, content) != FileReadResult::Ok)
        return std::nullopt;
    const Location found = locate(content, section, key);
    if (!found.keyLine)
        return std::nullopt;
    // A Windows caller sees a value up to its first NUL byte.
    return std::string(unquote(found.value.substr(0, found.value.find('\0'))));
}

bool containsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Code page 936 (GBK) pairs a lead byte 0x81-0xFE with a trail byte 0x40-0xFE other than 0x7F.
bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool isTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Where to cut `text` to at most maxChars bytes without splitting a double-byte character.
std::size_t cutPoint(std::string_view text, std::size_t maxChars) {
    if (text.size() <= maxChars)
        return text.size();
    std::size_t at = 0;
    while (at < maxChars) {
        const bool pair = isLeadByte(static_cast<unsigned char>(text[at])) &&
                          at + 1 < text.size() &&
                          isTrailByte(static_cast<unsigned char>(text[at + 1]));
        const std::size_t width = pair ? 2 : 1;
        if (at + width > maxChars)
            break;
        at += width;
    }
    return at;
}

// Windows drops trailing spaces of a default, though never its first character.
std::string_view withoutTrailingSpaces(std::string_view text) {
    while (text.size() > 1 && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The integer reader reads the value into room for 29 characters first.
constexpr std::size_t kIntegerChars = 29;

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return -1;
}

// Control characters and blanks, a sign, then "0x", "0o" or "0b" (lower case only) for
// hexadecimal, octal or binary, else decimal; digits up to the first that does not belong.
// Unsigned arithmetic: an over-long number wraps around as 32-bit arithmetic does.
int parseInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint32_t base = 10;
    if (text.size() - at >= 2 && text[at] == '0') {
        const char prefix = text[at + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10)
            at += 2;
    }
    std::uint32_t total = 0;
    for (; at < text.size(); ++at) {
        const int digit = digitValue(text[at]);
        if (digit < 0 || static_cast<std::uint32_t>(digit) >= base)
            break;
        total = total * base + static_cast<std::uint32_t>(digit);
    }
    if (negative)
        total = 0u - total;
    return static_cast<int>(total);
}

} // namespace

std::string getProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t maxChars,
                             const std::string& path) {
    std::string value =
        readValue(section, key, path).value_or(std::string(withoutTrailingSpaces(defaultValue)));
    value.resize(cutPoint(value, maxChars));
    return value;
}

int getProfileInt(std::string_view section, std::string_view key, int defaultValue,
                  const std::string& path) {
    const std::optional<std::string> text = readValue(section, key, path);
    if (!text || text->empty())
        return defaultValue;
    return parseInteger(std::string_view(*text).substr(0, kIntegerChars));
}

bool writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty() || containsLineBreak(section) || containsLineBreak(key) ||
        containsLineBreak(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';')
        return false;

    std::string content;
    const FileReadResult read = readWholeFile(path, content);
    if (read == FileReadResult::Failed)
        return false;
    const std::size_t body = bodyStart(content);

    const std::size_t firstNewline = content.find('\n');
    const bool lf = firstNewline != std::string::npos &&
                    (firstNewline == 0 || content[firstNewline - 1] != '\r');
    const std::string_view eol = lf ? "\n" : "\r\n";

    std::string entry;
    entry.reserve(key.size() + 1 + value.size());
    entry.append(key).append("=").append(value);

    const Location found = locate(content, section, key);
    if (found.keyLine) {
        // The line says so already (every save rewrites ProtocolType=0): no need to touch the disk.
        if (content.compare(found.keyLine->begin, found.keyLine->end - found.keyLine->begin,
                            entry) == 0)
            return isWritableFile(path);
        content.replace(found.keyLine->begin, found.keyLine->end - found.keyLine->begin, entry);
    } else if (found.sectionTail) {
        std::string inserted;
        // The section's last line may be the file's last line, without a line ending of its own.
        if (found.sectionTail->next == found.sectionTail->end)
            inserted.append(eol);
        inserted.append(entry).append(eol);
        content.insert(found.sectionTail->next, inserted);
    } else {
        if (content.size() > body && content.back() != '\n')
            content.append(eol);
        content.append("[").append(section).append("]").append(eol);
        content.append(entry).append(eol);
    }
    return writeWholeFile(path, content);
}

} // namespace platform
