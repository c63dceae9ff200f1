#include "terminal_setup/protocol/terminal_export.h"

#include "platform/json_string.h"
#include "terminal_setup/protocol/terminal_format.h"

#include <algorithm>
#include <cctype>

namespace terminal_setup {

using platform::jsonString;

namespace {

// One field's value: a text, or a number or truth value where JSON has one.
struct FieldValue {
    enum class Kind { Text, Number, Truth, TextList } kind = Kind::Text;
    std::string text;
    int number = 0;
    bool truth = false;
    std::vector<std::string> texts;
};

FieldValue text(std::string value) {
    return {FieldValue::Kind::Text, std::move(value), 0, false, {}};
}
FieldValue number(int value) {
    return {FieldValue::Kind::Number, {}, value, false, {}};
}

// The fields of one row, in the order of kExportFields.
std::array<FieldValue, kExportFields.size()> fieldsOf(const std::vector<ListedTerminal>& rows,
                                                      std::size_t row, const TerminalMarks& marks) {
    const TerminalRecord& r = rows[row].record;
    return {
        number(r.id()),
        text(formatName(r)),
        text(formatModel(r)),
        text(formatIpv4(r.ipAddress())),
        text(formatIpv4(r.subnetMask())),
        text(formatIpv4(r.gateway())),
        text(formatIpv4(r.dnsServer())),
        number(r.localPort()),
        text(formatWorkMode(r.workMode())),
        FieldValue{FieldValue::Kind::Truth, {}, 0, r.usesDhcp(), {}},
        text(formatBaud(r.baudIndex())),
        text(formatIpv4(r.hostIp())),
        number(r.hostPort()),
        text(formatIpv4(r.multicastAddress())),
        text(formatMac(r.mac())),
        text(formatVersion(r.softwareVersion())),
        text(formatVersion(r.hardwareVersion())),
        text(rows[row].card ? rows[row].card->address() : std::string()),
        FieldValue{FieldValue::Kind::TextList, {}, 0, false, clashingMacs(rows, marks)},
    };
}

std::string csvField(const FieldValue& value) {
    std::string plain;
    switch (value.kind) {
    case FieldValue::Kind::Text:
        plain = value.text;
        break;
    case FieldValue::Kind::Number:
        plain = std::to_string(value.number);
        break;
    case FieldValue::Kind::Truth:
        plain = value.truth ? "true" : "false";
        break;
    case FieldValue::Kind::TextList:
        for (const std::string& item : value.texts)
            plain += (plain.empty() ? "" : " ") + item;
        break;
    }
    if (plain.find_first_of(",\"\r\n") == std::string::npos)
        return plain;
    std::string quoted = "\"";
    for (char c : plain) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string jsonField(const FieldValue& value, bool isInterface) {
    switch (value.kind) {
    case FieldValue::Kind::Number:
        return std::to_string(value.number);
    case FieldValue::Kind::Truth:
        return value.truth ? "true" : "false";
    case FieldValue::Kind::TextList: {
        if (value.texts.empty())
            return "[]";
        std::string list = "[\n";
        for (std::size_t i = 0; i < value.texts.size(); ++i)
            list += "            " + jsonString(value.texts[i]) +
                    (i + 1 < value.texts.size() ? ",\n" : "\n");
        return list + "        ]";
    }
    case FieldValue::Kind::Text:
        break;
    }
    if (isInterface && value.text.empty())
        return "null";
    return jsonString(value.text);
}

} // namespace

std::string exportTerminals(const std::vector<ListedTerminal>& rows, ExportFormat format) {
    const std::vector<TerminalMarks> marks = markTerminals(rows);
    if (format == ExportFormat::Csv) {
        std::string out;
        for (std::size_t i = 0; i < kExportFields.size(); ++i)
            out.append(i ? "," : "").append(kExportFields[i]);
        out += "\r\n";
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const auto fields = fieldsOf(rows, row, marks[row]);
            for (std::size_t i = 0; i < fields.size(); ++i)
                out.append(i ? "," : "").append(csvField(fields[i]));
            out += "\r\n";
        }
        return out;
    }
    // Written by hand rather than through a JSON object, which would sort the keys: they come in
    // the order of the CSV columns.
    if (rows.empty())
        return "[]\n";
    std::string out = "[\n";
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto fields = fieldsOf(rows, row, marks[row]);
        out += "    {\n";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out += std::string("        \"") + kExportFields[i] + "\": " +
                   jsonField(fields[i], std::string_view(kExportFields[i]) == "interface") +
                   (i + 1 < fields.size() ? ",\n" : "\n");
        }
        out += row + 1 < rows.size() ? "    },\n" : "    }\n";
    }
    return out + "]\n";
}

std::optional<ExportFormat> exportFormatOfPath(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "csv")
        return ExportFormat::Csv;
    if (extension == "json")
        return ExportFormat::Json;
    return std::nullopt;
}

} // namespace terminal_setup
