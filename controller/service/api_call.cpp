#include "controller/service/api_call.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <vector>

namespace matrixd {

namespace {

constexpr int kScenes = 16;

std::vector<std::string_view> segments(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        path.remove_prefix(1); // the "/"
        const std::size_t slash = path.find('/');
        parts.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash);
    }
    return parts;
}

// A number in a path: decimal digits only, at most three.
std::optional<int> pathNumber(std::string_view text) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string sizeText(int ports) {
    return std::to_string(ports) + " × " + std::to_string(ports);
}

ApiParse refused(int status, std::string error, std::string allow = {}) {
    return ApiParse{std::nullopt, Refusal{status, std::move(error)}, std::move(allow)};
}

ApiParse accepted(ApiCall call) {
    return ApiParse{std::move(call), {}, {}};
}

} // namespace

std::optional<int> switchInputOf(std::string_view body, int ports, std::string& error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(body.data(), static_cast<qsizetype>(body.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "malformed JSON: " + parseError.errorString().toStdString() + " at byte " +
                std::to_string(parseError.offset);
        return std::nullopt;
    }
    const QJsonValue input = document.object().value(QStringLiteral("input"));
    const double number = input.toDouble(-1);
    if (!document.isObject() || !input.isDouble() || std::trunc(number) != number) {
        error = "the body wants {\"input\": M}, M a whole number";
        return std::nullopt;
    }
    // Compared as a double first: converting one that no int holds is undefined.
    if (!(number >= 1 && number <= ports)) {
        const std::string shown = std::abs(number) < 1e9
                                      ? std::to_string(static_cast<long long>(number))
                                      : input.toVariant().toString().toStdString();
        error = "input " + shown + " is out of range: 1 to " + std::to_string(ports) + " on this " +
                sizeText(ports) + " matrix";
        return std::nullopt;
    }
    return static_cast<int>(number);
}

ApiParse parseApiCall(std::string_view method, std::string_view path, std::string_view body,
                      const PortsOf& portsOf) {
    const std::vector<std::string_view> parts = segments(path);
    const auto notFound = [&] {
        return refused(404, "no such path: " + std::string(path.substr(0, 200)));
    };
    if (parts.size() < 3 || parts[0] != "api" || parts[1] != "v1")
        return notFound();
    const auto only = [&](const char* allowed) -> std::optional<ApiParse> {
        if (method == allowed)
            return std::nullopt;
        return refused(405, std::string(path.substr(0, 200)) + " takes " + allowed + " only",
                       allowed);
    };
    if (parts.size() == 3 && parts[2] == "events") {
        if (auto wrong = only("GET"))
            return *wrong;
        return refused(426, "connect to /api/v1/events with a WebSocket");
    }
    if (parts[2] != "matrices")
        return notFound();
    if (parts.size() == 3) {
        if (auto wrong = only("GET"))
            return *wrong;
        ApiCall call;
        call.kind = ApiCall::Kind::Matrices;
        return accepted(call);
    }

    ApiCall call;
    call.matrix = std::string(parts[3]);
    const std::optional<int> ports = portsOf(call.matrix);
    if (!ports)
        return refused(404, "no matrix named \"" + call.matrix.substr(0, 64) + "\"");
    if (parts.size() == 4) {
        if (auto wrong = only("GET"))
            return *wrong;
        call.kind = ApiCall::Kind::Matrix;
        return accepted(call);
    }
    const std::string_view what = parts[4];
    if (parts.size() == 5 && what == "read") {
        if (auto wrong = only("POST"))
            return *wrong;
        call.kind = ApiCall::Kind::Read;
        return accepted(call);
    }
    if (parts.size() == 5 && what == "backup") {
        if (method != "GET" && method != "PUT")
            return refused(405, std::string(path) + " takes GET or PUT", "GET, PUT");
        if (method == "GET") {
            call.kind = ApiCall::Kind::Backup;
            return accepted(call);
        }
        if (body.size() > kMaxBodyBytes)
            return refused(413, "the body is larger than 64 kB");
        std::string error;
        const auto file = controller::parseCrosspointJson(std::string(body), error);
        if (!file)
            return refused(400, error);
        if (file->size != *ports)
            return refused(400, "the backup holds the crosspoints of a " + sizeText(file->size) +
                                    " matrix; this one is " + sizeText(*ports));
        call.kind = ApiCall::Kind::Restore;
        call.restore = *file;
        return accepted(call);
    }
    if (parts.size() == 6 && what == "outputs") {
        const std::optional<int> output = pathNumber(parts[5]);
        if (!output || *output < 1 || *output > *ports)
            return refused(404, "no output " + std::string(parts[5].substr(0, 16)) + " on " +
                                    call.matrix + ", a " + sizeText(*ports) + " matrix");
        if (auto wrong = only("PUT"))
            return *wrong;
        if (body.size() > kMaxBodyBytes)
            return refused(413, "the body is larger than 64 kB");
        std::string error;
        const std::optional<int> input = switchInputOf(body, *ports, error);
        if (!input)
            return refused(400, error);
        call.kind = ApiCall::Kind::Switch;
        call.output = *output;
        call.input = *input;
        return accepted(call);
    }
    if (parts.size() == 7 && what == "scenes" && (parts[6] == "load" || parts[6] == "save")) {
        const std::optional<int> scene = pathNumber(parts[5]);
        if (!scene || *scene < 1 || *scene > kScenes)
            return refused(404, "no scene " + std::string(parts[5].substr(0, 16)) +
                                    ": scenes are 1 to 16");
        if (auto wrong = only("POST"))
            return *wrong;
        call.kind = parts[6] == "load" ? ApiCall::Kind::SceneLoad : ApiCall::Kind::SceneSave;
        call.scene = *scene;
        return accepted(call);
    }
    return notFound();
}

} // namespace matrixd
