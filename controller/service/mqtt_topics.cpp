#include "controller/service/mqtt_topics.h"

#include "controller/service/json_text.h"
#include "controller/service/service_config.h"
#include "controller/session/crosspoint_file.h"

#include <charconv>
#include <cstdio>
#include <set>

namespace matrixd::mqtt {

namespace {

constexpr std::size_t kLoggedBytes = 40;
const std::string kOutputLevel = "/output/";
const std::string kSetLevel = "/set";
const std::string kSelect = "/select/";
const std::string kConfig = "/config";

std::optional<int> number(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

bool startsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string numbered(const char* prefix, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%02d", prefix, n);
    return text;
}

// A Jinja string literal: "…" with backslashes and quotes escaped.
std::string jinjaString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string outputTopic(const std::string& base, const std::string& matrix, int output) {
    return base + "/" + matrix + kOutputLevel + std::to_string(output);
}

std::string setTopic(const std::string& base, const std::string& matrix, int output) {
    return outputTopic(base, matrix, output) + kSetLevel;
}

std::string setFilter(const std::string& base, const std::string& matrix) {
    return base + "/" + matrix + kOutputLevel + "+" + kSetLevel;
}

std::string availabilityTopic(const std::string& base, const std::string& matrix) {
    return base + "/" + matrix + "/availability";
}

std::string namesTopic(const std::string& base, const std::string& matrix) {
    return base + "/" + matrix + "/names";
}

std::optional<int> setTopicOutput(const std::string& topic, const std::string& base,
                                  const std::string& matrix, int ports) {
    const std::string head = base + "/" + matrix + kOutputLevel;
    if (!startsWith(topic, head) || !endsWith(topic, kSetLevel) ||
        topic.size() < head.size() + kSetLevel.size())
        return std::nullopt;
    const std::string n = topic.substr(head.size(), topic.size() - head.size() - kSetLevel.size());
    // "05" is not output 5's topic.
    if (n.empty() || n[0] == '0')
        return std::nullopt;
    return number(n, 1, ports);
}

std::optional<int> inputOfPayload(const std::string& payload, int ports) {
    const char* const blanks = " \t\r\n";
    const auto first = payload.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::nullopt;
    const auto last = payload.find_last_not_of(blanks);
    return number(payload.substr(first, last - first + 1), 1, ports);
}

std::string payloadForLog(const std::string& payload) {
    std::string text;
    for (std::size_t i = 0; i < payload.size() && i < kLoggedBytes; ++i) {
        const auto c = static_cast<unsigned char>(payload[i]);
        if (c >= ' ' && c <= '~' && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return payload.size() > kLoggedBytes ? text + "…" : text;
}

std::string namesJson(const std::vector<std::string>& inputs,
                      const std::vector<std::string>& outputs) {
    const auto ports = [](const std::vector<std::string>& names) {
        std::vector<std::string> items;
        for (std::size_t i = 0; i < names.size(); ++i)
            items.push_back(
                JsonObject().add("number", static_cast<int>(i + 1)).add("name", names[i]).text());
        return jsonArray(items);
    };
    return JsonObject().addRaw("inputs", ports(inputs)).addRaw("outputs", ports(outputs)).text();
}

std::vector<std::string> portCaptions(const std::vector<std::string>& names, const char* prefix) {
    std::vector<std::string> captions;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        std::string caption = names[i].empty() ? numbered(prefix, n) : names[i];
        if (!taken.insert(caption).second) {
            caption += " (" + std::to_string(n) + ")";
            taken.insert(caption);
        }
        captions.push_back(std::move(caption));
    }
    return captions;
}

std::string objectId(const std::string& clientId, const std::string& matrix, int output) {
    std::string id;
    for (const char c : clientId) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        id += kept ? c : '_';
    }
    return id + "_" + matrix + "_output_" + std::to_string(output);
}

bool ownObjectId(const std::string& id, const std::string& clientId) {
    const std::string head = objectId(clientId, "", 0);
    const std::string prefix = head.substr(0, head.size() - std::string("_output_0").size());
    if (!startsWith(id, prefix))
        return false;
    const std::string rest = id.substr(prefix.size());
    const auto at = rest.find("_output_");
    if (at == std::string::npos || !validMatrixName(rest.substr(0, at)))
        return false;
    const std::string n = rest.substr(at + 8);
    return !n.empty() && n[0] != '0' && number(n, 1, MatrixConfig::kMaxPorts).has_value();
}

std::string discoveryTopic(const std::string& prefix, const std::string& id) {
    return prefix + kSelect + id + kConfig;
}

std::string discoveryFilter(const std::string& prefix) {
    return discoveryTopic(prefix, "+");
}

std::optional<std::string> objectIdOfTopic(const std::string& topic, const std::string& prefix) {
    const std::string head = prefix + kSelect;
    if (!startsWith(topic, head) || !endsWith(topic, kConfig) ||
        topic.size() <= head.size() + kConfig.size())
        return std::nullopt;
    std::string id = topic.substr(head.size(), topic.size() - head.size() - kConfig.size());
    if (id.find('/') != std::string::npos)
        return std::nullopt;
    return id;
}

std::string discoveryConfig(const OutputEntity& e) {
    // The state is an input number, the entity shows and sets captions: two lookup tables.
    std::string toCaption;
    std::string toNumber;
    std::vector<std::string> options;
    for (std::size_t i = 0; i < e.captions.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string caption = jinjaString(e.captions[i]);
        toCaption += (i == 0 ? "" : ", ") + jinjaString(n) + ": " + caption;
        toNumber += (i == 0 ? "" : ", ") + caption + ": " + n;
        options.push_back(controller::jsonString(e.captions[i]));
    }
    const std::string device = e.clientId + "_" + e.matrix;
    return JsonObject()
        .add("name", e.caption)
        .add("unique_id", objectId(e.clientId, e.matrix, e.output))
        .add("object_id", objectId(e.clientId, e.matrix, e.output))
        .add("icon", "mdi:video-input-hdmi")
        .add("state_topic", outputTopic(e.base, e.matrix, e.output))
        .add("command_topic", setTopic(e.base, e.matrix, e.output))
        .add("availability_topic", availabilityTopic(e.base, e.matrix))
        .add("payload_available", kOnline)
        .add("payload_not_available", kOffline)
        .addRaw("options", jsonArray(options))
        .add("value_template", "{{ {" + toCaption + "}.get(value, value) }}")
        .add("command_template", "{{ {" + toNumber + "}[value] }}")
        .add("qos", 1)
        .addRaw("device", JsonObject()
                              .addRaw("identifiers", jsonArray({controller::jsonString(device)}))
                              .add("name", e.matrix)
                              .add("model", e.model.empty() ? "Matrix" : e.model)
                              .add("manufacturer", "matrixd")
                              .text())
        .text();
}

} // namespace matrixd::mqtt
