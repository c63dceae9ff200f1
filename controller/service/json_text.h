#pragma once

#include <string>
#include <vector>

namespace matrixd {

// A JSON object written with its keys in the order they are added, in the spacing of matrixctl's
// JSON ({"output": 5, "input": 3}).
class JsonObject {
public:
    JsonObject& add(const std::string& key, int value);
    JsonObject& add(const std::string& key, const std::string& value);
    JsonObject& add(const std::string& key, const char* value) {
        return add(key, std::string(value));
    }
    JsonObject& addNull(const std::string& key);
    // `json` is written as it is: an object, an array or a literal made elsewhere.
    JsonObject& addRaw(const std::string& key, const std::string& json);
    std::string text() const { return "{" + m_fields + "}"; }

private:
    void key(const std::string& name);
    std::string m_fields;
};

// "[a, b, c]" of items already written as JSON.
std::string jsonArray(const std::vector<std::string>& items);

} // namespace matrixd

namespace matrixd {

// {"error": "…"}, the text made valid UTF-8 first (it may quote a request's bytes).
std::string errorJson(const std::string& error);

} // namespace matrixd
