#include "terminal_setup/session/terminal_plan.h"

#include "terminal_setup/protocol/gbk_text.h"

#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <optional>

namespace terminal_setup {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

using Record = std::vector<std::string>;

// RFC 4180 records, lenient where spreadsheets are: a quote inside an unquoted cell is taken
// as it is, and a lone CR or LF ends a record as CRLF does.
class CsvReader {
public:
    CsvReader(std::string_view text, char separator) : m_text(text), m_separator(separator) {}

    bool atEnd() const { return m_at >= m_text.size(); }

    // The next record; false (and `unclosed`) when a quoted cell runs to the end of the file.
    bool next(Record& record, bool& unclosed) {
        record.assign(1, std::string());
        unclosed = false;
        bool quoted = false;
        bool cellStart = true;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (quoted) {
                if (c != '"') {
                    record.back() += c;
                } else if (m_at < m_text.size() && m_text[m_at] == '"') {
                    record.back() += '"';
                    ++m_at;
                } else {
                    quoted = false;
                }
                continue;
            }
            if (c == '"' && cellStart) {
                quoted = true;
                cellStart = false;
            } else if (c == m_separator) {
                record.emplace_back();
                cellStart = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && m_at < m_text.size() && m_text[m_at] == '\n')
                    ++m_at;
                return true;
            } else {
                record.back() += c;
                cellStart = false;
            }
        }
        unclosed = quoted;
        return !quoted;
    }

private:
    std::string_view m_text;
    char m_separator;
    std::size_t m_at = 0;
};

bool isBlankCell(std::string_view cell) {
    return std::all_of(cell.begin(), cell.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The file's text in UTF-8: as it is when it is UTF-8, else read as GBK, as spreadsheets on
// Chinese systems save CSV.
std::string utf8Text(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text =
        utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return std::string(bytes);
    return decodeGbk(bytes);
}

bool isMacColumn(std::string_view name) {
    std::string key;
    for (char c : name) {
        if (c != ' ' && c != '\t')
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key == "mac";
}

char separatorOf(std::string_view text) {
    const std::string_view header = text.substr(0, text.find_first_of("\r\n"));
    if (header.find(',') != std::string_view::npos)
        return ',';
    if (header.find(';') != std::string_view::npos)
        return ';';
    if (header.find('\t') != std::string_view::npos)
        return '\t';
    return ',';
}

} // namespace

std::string describePlanFault(const PlanFault& fault) {
    if (fault.row == 0)
        return fault.why;
    std::string text = "row " + std::to_string(fault.row);
    if (!fault.field.empty())
        text += ", " + fault.field;
    if (!fault.cell.empty())
        text += " \"" + fault.cell + "\"";
    return text + ": " + fault.why;
}

Plan readPlan(std::string_view bytes) {
    Plan plan;
    const std::string text = utf8Text(bytes);
    CsvReader reader(text, separatorOf(text));

    Record header;
    bool unclosed = false;
    if (reader.atEnd() || !reader.next(header, unclosed)) {
        plan.faults.push_back({0, {}, {}, "The plan is empty: it needs a header line with mac."});
        return plan;
    }
    std::optional<std::size_t> macColumn;
    std::vector<std::optional<PlanField>> fields(header.size());
    for (std::size_t column = 0; column < header.size(); ++column) {
        const bool isMac = isMacColumn(header[column]);
        const std::optional<PlanField> field = planFieldNamed(header[column]);
        const bool twice = (isMac && macColumn) || (field && std::find(fields.begin(), fields.end(),
                                                                       field) != fields.end());
        if (twice) {
            plan.faults.push_back({0,
                                   {},
                                   {},
                                   "The column " +
                                       std::string(isMac ? "mac" : planFieldName(*field)) +
                                       " appears twice."});
            continue;
        }
        if (isMac)
            macColumn = column;
        fields[column] = field;
    }
    if (!macColumn)
        plan.faults.push_back({0, {}, {}, "The plan has no mac column."});
    if (!plan.faults.empty())
        return plan;

    Record record;
    for (std::size_t row = 2; !reader.atEnd(); ++row) {
        if (!reader.next(record, unclosed)) {
            plan.faults.push_back({row, {}, {}, "a quoted cell is not closed"});
            break;
        }
        if (std::all_of(record.begin(), record.end(), isBlankCell))
            continue;
        PlanRow planRow;
        planRow.row = row;
        for (std::size_t column = 0; column < record.size() && column < fields.size(); ++column) {
            if (column == *macColumn)
                planRow.macText = record[column];
            else if (fields[column] && !isBlankCell(record[column]))
                planRow.cells.push_back({*fields[column], record[column]});
        }
        plan.rows.push_back(std::move(planRow));
    }
    return plan;
}

} // namespace terminal_setup
