#include "terminal_setup/scan/terminal_text_table.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <clocale>
#include <cwchar>
#include <locale.h>

namespace terminal_setup {

namespace {

constexpr std::array<const char*, 6> kHeaders = {"ID", "Name",         "Model",
                                                 "IP", "Multicast IP", "MAC"};

// The widths of the C library's Unicode tables, whatever locale the program runs in.
class Utf8Widths {
public:
    Utf8Widths() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
    ~Utf8Widths() {
        if (m_locale)
            freelocale(m_locale);
    }
    Utf8Widths(const Utf8Widths&) = delete;
    Utf8Widths& operator=(const Utf8Widths&) = delete;

    int of(char32_t codePoint) const {
        if (!m_locale)
            return 1;
        const locale_t previous = uselocale(m_locale);
        const int width = wcwidth(static_cast<wchar_t>(codePoint));
        uselocale(previous);
        // Control characters have no width of their own; they count as one cell here, so a
        // stray one never makes a column narrower than its text.
        return width < 0 ? 1 : width;
    }

private:
    locale_t m_locale;
};

// A name or model comes from the network: a control character in it must not drive the
// terminal that shows the table, so each is shown as U+FFFD.
std::string printable(const std::string& text) {
    QString shown = QString::fromStdString(text);
    for (QChar& c : shown) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code < 0xA0))
            c = QChar(QChar::ReplacementCharacter);
    }
    return shown.toStdString();
}

std::string padded(const std::string& text, int width) {
    return text +
           std::string(static_cast<std::size_t>(std::max(0, width - displayWidth(text))), ' ');
}

} // namespace

int displayWidth(std::string_view utf8) {
    static const Utf8Widths widths;
    int cells = 0;
    const auto codePoints =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4();
    for (char32_t codePoint : codePoints)
        cells += widths.of(codePoint);
    return cells;
}

std::string terminalTextTable(const std::vector<ListedTerminal>& rows) {
    std::vector<std::array<std::string, kHeaders.size()>> lines;
    lines.push_back({kHeaders[0], kHeaders[1], kHeaders[2], kHeaders[3], kHeaders[4], kHeaders[5]});
    for (const ListedTerminal& row : rows) {
        const TerminalRecord& r = row.record;
        lines.push_back({formatId(r.id()), printable(formatName(r)), printable(formatModel(r)),
                         formatIpv4(r.ipAddress()), formatIpv4(r.multicastAddress()),
                         formatMac(r.mac())});
    }
    std::array<int, kHeaders.size()> widths{};
    for (const auto& line : lines) {
        for (std::size_t column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], displayWidth(line[column]));
    }
    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t column = 0; column < line.size(); ++column) {
            const bool last = column + 1 == line.size();
            text += last ? line[column] : padded(line[column], widths[column]) + "  ";
        }
        out += text + "\n";
    }
    return out;
}

} // namespace terminal_setup
