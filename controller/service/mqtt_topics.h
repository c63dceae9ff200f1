#pragma once

#include <optional>
#include <string>
#include <vector>

// The topics and payloads of the MQTT bridge, and Home Assistant's discovery configurations:
// plain text in, plain text out. Outputs and inputs are numbered from 1.
namespace matrixd::mqtt {

// BASE/NAME/output/N: the input output N shows, retained.
std::string outputTopic(const std::string& base, const std::string& matrix, int output);
// BASE/NAME/output/N/set: where a client asks output N to show another input.
std::string setTopic(const std::string& base, const std::string& matrix, int output);
// BASE/NAME/output/+/set: every output's set topic.
std::string setFilter(const std::string& base, const std::string& matrix);
// BASE/NAME/availability: "online" or "offline", retained.
std::string availabilityTopic(const std::string& base, const std::string& matrix);
// BASE/NAME/names: the ports' names, retained.
std::string namesTopic(const std::string& base, const std::string& matrix);

inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";

// The output of a set topic of that matrix, from 1 to `ports`; nullopt for any other topic.
std::optional<int> setTopicOutput(const std::string& topic, const std::string& base,
                                  const std::string& matrix, int ports);
// The input a set payload asks for: a decimal number from 1 to `ports`, blanks (spaces, tabs,
// line breaks) allowed around it; nullopt for anything else.
std::optional<int> inputOfPayload(const std::string& payload, int ports);
// A payload as a log line may quote it: at most 40 bytes, bytes outside printable ASCII as \xNN.
std::string payloadForLog(const std::string& payload);

// {"inputs": [{"number": 1, "name": "Camera 1"}, ...], "outputs": [...]}: the names as the
// matrix holds them ("" for none), as the HTTP API gives them.
std::string namesJson(const std::vector<std::string>& inputs,
                      const std::vector<std::string>& outputs);

// What Home Assistant shows for a port: its name, else "IN03" / "OUT05"; a name that an earlier
// port has already gets its number added ("Camera (4)"), since a select's options must differ.
std::vector<std::string> portCaptions(const std::vector<std::string>& names, const char* prefix);

// The discovery object id of an output: CLIENT_NAME_output_N, the client id's characters other
// than letters, digits, "-" and "_" made "_". Matrix names never hold "_", so the ids of another
// client id never read as this one's.
std::string objectId(const std::string& clientId, const std::string& matrix, int output);
// Whether `id` is an object id that `clientId` makes (for any matrix and output).
bool ownObjectId(const std::string& id, const std::string& clientId);
// DISCOVERY/select/ID/config.
std::string discoveryTopic(const std::string& prefix, const std::string& id);
// DISCOVERY/select/+/config.
std::string discoveryFilter(const std::string& prefix);
// The ID of a DISCOVERY/select/ID/config topic; nullopt for any other topic.
std::optional<std::string> objectIdOfTopic(const std::string& topic, const std::string& prefix);

// One output as a Home Assistant select entity.
struct OutputEntity {
    std::string base;
    std::string clientId;
    std::string matrix;
    std::string model; // "HDMI Matrix"
    int output = 1;
    std::string caption;               // the output's caption
    std::vector<std::string> captions; // the inputs' captions, in input order
};

// The retained discovery configuration of `entity`: its state, command and availability topics,
// the inputs' captions as options with templates between captions and input numbers, a unique
// id, and the matrix as its device.
std::string discoveryConfig(const OutputEntity& entity);

} // namespace matrixd::mqtt
