#include "controller/service/json_text.h"

#include "controller/session/crosspoint_file.h"

namespace matrixd {

void JsonObject::key(const std::string& name) {
    if (!m_fields.empty())
        m_fields += ", ";
    m_fields += controller::jsonString(name) + ": ";
}

JsonObject& JsonObject::add(const std::string& name, int value) {
    key(name);
    m_fields += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::add(const std::string& name, const std::string& value) {
    key(name);
    m_fields += controller::jsonString(value);
    return *this;
}

JsonObject& JsonObject::addNull(const std::string& name) {
    key(name);
    m_fields += "null";
    return *this;
}

JsonObject& JsonObject::addRaw(const std::string& name, const std::string& json) {
    key(name);
    m_fields += json;
    return *this;
}

std::string jsonArray(const std::vector<std::string>& items) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : ", ") + items[i];
    return text + "]";
}

} // namespace matrixd

#include <QString>

namespace matrixd {

std::string errorJson(const std::string& error) {
    return JsonObject()
        .add("error",
             QString::fromUtf8(error.data(), static_cast<qsizetype>(error.size())).toStdString())
        .text();
}

} // namespace matrixd
