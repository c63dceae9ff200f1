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
        const std::size_t close = text.find(']');
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
    std::optional<LineSpan> keyLine;     // first entry of the key in a section of that name
    std::string_view value;              // its value, trimmed
    std::optional<LineSpan> sectionTail; // last non-blank line of the first such section
};

Location locate(std::string_view content, std::string_view section, std::string_view key) {
    Location found;
    bool inSection = false;
    bool inFirstSection = false;
    std::size_t pos = 0;
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
            inSection = equalsIgnoringCase(parsed.name, section);
            inFirstSection = inSection && !found.sectionTail;
            if (inFirstSection)
                found.sectionTail = line;
            continue;
        }
        if (inFirstSection && parsed.kind != LineKind::Blank)
            found.sectionTail = line;
        if (inSection && parsed.kind == LineKind::Entry && equalsIgnoringCase(parsed.name, key)) {
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
    return std::string(unquote(found.value));
}

bool containsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::string getProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t maxChars,
                             const std::string& path) {
    std::string value = readValue(section, key, path).value_or(std::string(defaultValue));
    if (value.size() > maxChars)
        value.resize(maxChars);
    return value;
}

int getProfileInt(std::string_view section, std::string_view key, int defaultValue,
                  const std::string& path) {
    const std::optional<std::string> text = readValue(section, key, path);
    if (!text || text->empty())
        return defaultValue;

    std::string_view digits = trim(*text);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // Unsigned arithmetic: an over-long number wraps instead of overflowing.
    std::uint32_t magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            break;
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative)
        magnitude = 0u - magnitude;
    return static_cast<int>(magnitude);
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

    const std::size_t firstNewline = content.find('\n');
    const bool lf = firstNewline != std::string::npos &&
                    (firstNewline == 0 || content[firstNewline - 1] != '\r');
    const std::string_view eol = lf ? "\n" : "\r\n";

    std::string entry;
    entry.reserve(key.size() + 1 + value.size());
    entry.append(key).append("=").append(value);

    const Location found = locate(content, section, key);
    if (found.keyLine) {
        content.replace(found.keyLine->begin, found.keyLine->end - found.keyLine->begin, entry);
    } else if (found.sectionTail) {
        std::string inserted;
        // The section's last line may be the file's last line, without a line ending of its own.
        if (found.sectionTail->next == found.sectionTail->end)
            inserted.append(eol);
        inserted.append(entry).append(eol);
        content.insert(found.sectionTail->next, inserted);
    } else {
        if (!content.empty() && content.back() != '\n')
            content.append(eol);
        content.append("[").append(section).append("]").append(eol);
        content.append(entry).append(eol);
    }
    return writeWholeFile(path, content);
}

} // namespace platform
