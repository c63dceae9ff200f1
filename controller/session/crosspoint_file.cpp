#include "controller/session/crosspoint_file.h"

#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/reply_dispatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <set>

namespace controller {

namespace {

// A JSON number that is a whole number in [low, high]. The range is checked first: converting a
// double that no integer holds (1e300) is undefined.
std::optional<int> wholeNumber(const QJsonValue& value, int low, int high) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= low && number <= high) || std::trunc(number) != number)
        return std::nullopt;
    return static_cast<int>(number);
}

std::string numberList(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        text += (i == 0                    ? ""
                 : i + 1 == numbers.size() ? " and "
                                           : ", ") +
                std::to_string(numbers[i]);
    return text;
}

} // namespace

CrosspointFile crosspointsFromReadBack(std::span<const std::uint8_t> frame, int size, int address) {
    std::vector<std::optional<int>> inputs(static_cast<std::size_t>(size));
    for (const Crosspoint& p : decodeCrosspoints(frame, size, size))
        inputs[static_cast<std::size_t>(p.output)] = p.input;
    CrosspointFile read{size, address, {}};
    for (int o = 0; o < size; ++o)
        if (const auto& input = inputs[static_cast<std::size_t>(o)])
            read.crosspoints.push_back({o + 1, *input + 1});
    return read;
}

std::vector<NotTaken> crosspointsNotTaken(const CrosspointFile& wanted,
                                          const CrosspointFile& readBack) {
    std::vector<NotTaken> missed;
    for (const NumberedCrosspoint& w : wanted.crosspoints) {
        std::optional<int> shown;
        for (const NumberedCrosspoint& c : readBack.crosspoints)
            if (c.output == w.output)
                shown = c.input;
        if (shown != w.input)
            missed.push_back({w.output, w.input, shown});
    }
    return missed;
}

std::string notTakenText(const std::vector<NotTaken>& missed) {
    if (missed.empty())
        return {};
    std::vector<int> outputs;
    std::string details;
    for (const NotTaken& m : missed) {
        outputs.push_back(m.output);
        details += (details.empty() ? "" : "; ") + std::string("output ") +
                   std::to_string(m.output) +
                   (m.shown ? " shows input " + std::to_string(*m.shown) : " shows no input") +
                   ", not " + std::to_string(m.wanted);
    }
    return (missed.size() == 1 ? "output " : "outputs ") + numberList(outputs) +
           " did not take: " + details;
}

std::string crosspointJson(const CrosspointFile& file) {
    std::string text = "{\"size\": " + std::to_string(file.size) +
                       ", \"address\": " + std::to_string(file.address) + ", \"crosspoints\": [";
    for (std::size_t i = 0; i < file.crosspoints.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += "{\"output\": " + std::to_string(file.crosspoints[i].output) +
                ", \"input\": " + std::to_string(file.crosspoints[i].input) + "}";
    }
    return text + "]}";
}

std::optional<CrosspointFile> parseCrosspointJson(const std::string& text, std::string& error) {
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(text), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "not JSON: " + parseError.errorString().toStdString() + " at byte " +
                std::to_string(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    CrosspointFile file;
    const auto size = wholeNumber(root.value(QStringLiteral("size")), 4, 32);
    if (!size || !sizeIndexOfPorts(*size)) {
        error = "\"size\" must be 4, 8, 16 or 32";
        return std::nullopt;
    }
    file.size = *size;
    const auto address = wholeNumber(root.value(QStringLiteral("address")), 1, 255);
    if (!address || (*address > 8 && *address != 255)) {
        error = "\"address\" must be 1 to 8, or 255";
        return std::nullopt;
    }
    file.address = *address;
    const QJsonValue list = root.value(QStringLiteral("crosspoints"));
    if (!list.isArray()) {
        error = "\"crosspoints\" must be a list";
        return std::nullopt;
    }
    std::set<int> outputs;
    for (const QJsonValue& entry : list.toArray()) {
        const auto output = wholeNumber(entry.toObject().value(QStringLiteral("output")), 1, *size);
        const auto input = wholeNumber(entry.toObject().value(QStringLiteral("input")), 1, *size);
        if (!output || !input) {
            error = "every crosspoint needs an \"output\" and an \"input\" from 1 to " +
                    std::to_string(*size);
            return std::nullopt;
        }
        if (!outputs.insert(*output).second) {
            error = "output " + std::to_string(*output) + " is named twice";
            return std::nullopt;
        }
        file.crosspoints.push_back({*output, *input});
    }
    return file;
}

} // namespace controller
