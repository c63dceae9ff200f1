// The MQTT bridge's topics, payloads and Home Assistant discovery configuration, as text.
#include "controller/service/mqtt_topics.h"

#include <gtest/gtest.h>

namespace matrixd::mqtt {
namespace {

std::string shown(const std::optional<int>& n) {
    return n ? std::to_string(*n) : "-";
}

struct TextCase {
    const char* what;
    std::string got;
    std::string expected;
};

class MqttText : public testing::TestWithParam<TextCase> {};

TEST_P(MqttText, ReadsAsExpected) {
    EXPECT_EQ(GetParam().got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MqttText,
    testing::Values(
        TextCase{"SetTopics",
                 shown(setTopicOutput("m/hall/output/8/set", "m", "hall", 8)) +
                     shown(setTopicOutput("m/hall/output/9/set", "m", "hall", 8)) +
                     shown(setTopicOutput("m/hall/output/05/set", "m", "hall", 8)) +
                     shown(setTopicOutput("m/hall/output//set", "m", "hall", 8)) +
                     shown(setTopicOutput("m/hall/output/5", "m", "hall", 8)) +
                     shown(setTopicOutput("m/hall2/output/5/set", "m", "hall", 8)),
                 "8-----"},
        TextCase{"Payloads",
                 shown(inputOfPayload("3", 8)) + shown(inputOfPayload(" \t8\r\n", 8)) +
                     shown(inputOfPayload("9", 8)) + shown(inputOfPayload("0", 8)) +
                     shown(inputOfPayload("+3", 8)) + shown(inputOfPayload("3 4", 8)) +
                     shown(inputOfPayload("", 8)) + shown(inputOfPayload("3.0", 8)) +
                     shown(inputOfPayload("99999999999", 8)),
                 "38-------"},
        TextCase{"PayloadInALog",
                 payloadForLog(std::string("a\\\0\xff", 4)) + " " +
                     payloadForLog(std::string(41, 'x')).substr(38),
                 "a\\x5C\\x00\\xFF xx…"},
        TextCase{"Names", namesJson({"Camera 1", ""}, {"\"Left\""}),
                 R"({"inputs": [{"number": 1, "name": "Camera 1"}, {"number": 2, "name": ""}], )"
                 R"("outputs": [{"number": 1, "name": "\"Left\""}]})"},
        TextCase{"Captions",
                 [] {
                     std::string all;
                     for (const std::string& c : portCaptions({"Cam", "", "Cam", "IN02"}, "IN"))
                         all += c + "|";
                     return all;
                 }(),
                 "Cam|IN02|Cam (3)|IN02 (4)|"},
        TextCase{"ObjectIds",
                 objectId("matrixd", "hall", 5) + " " + objectId("a.b/c d", "x", 1) + " " +
                     discoveryTopic("homeassistant", "i") + " " + discoveryFilter("ha") + " " +
                     objectIdOfTopic("ha/select/i_d/config", "ha").value_or("-") +
                     objectIdOfTopic("ha/select/a/b/config", "ha").value_or("-") +
                     objectIdOfTopic("ha/switch/i/config", "ha").value_or("-"),
                 "matrixd_hall_output_5 a_b_c_d_x_output_1 homeassistant/select/i/config "
                 "ha/select/+/config i_d--"},
        TextCase{"OwnObjectIds",
                 std::to_string(ownObjectId("matrixd_stage-2_output_32", "matrixd")) +
                     std::to_string(ownObjectId("matrixd_x_hall_output_1", "matrixd")) +
                     std::to_string(ownObjectId("matrixd_hall_output_33", "matrixd")) +
                     std::to_string(ownObjectId("matrixd_hall_output_01", "matrixd")) +
                     std::to_string(ownObjectId("matrixd2_hall_output_1", "matrixd")) +
                     std::to_string(ownObjectId("a_b_hall_output_1", "a.b")),
                 "100001"},
        TextCase{
            "Discovery",
            discoveryConfig(
                {"matrix", "matrixd", "hall", "HDMI Matrix", 2, "OUT02", {"Cam \"1\"", "IN02"}}),
            R"({"name": "OUT02", "unique_id": "matrixd_hall_output_2", )"
            R"("object_id": "matrixd_hall_output_2", "icon": "mdi:video-input-hdmi", )"
            R"("state_topic": "matrix/hall/output/2", )"
            R"("command_topic": "matrix/hall/output/2/set", )"
            R"("availability_topic": "matrix/hall/availability", )"
            R"("payload_available": "online", "payload_not_available": "offline", )"
            R"("options": ["Cam \"1\"", "IN02"], )"
            R"("value_template": "{{ {\"1\": \"Cam \\\"1\\\"\", \"2\": \"IN02\"})"
            R"(.get(value, value) }}", )"
            R"("command_template": "{{ {\"Cam \\\"1\\\"\": 1, \"IN02\": 2}[value] }}", )"
            R"("qos": 1, "device": {"identifiers": ["matrixd_hall"], "name": "hall", )"
            R"("model": "HDMI Matrix", "manufacturer": "matrixd"}})"}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.what); });

} // namespace
} // namespace matrixd::mqtt
