#pragma once

#include "controller/service/link_address.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace matrixd {

// One matrix switcher matrixd offers, as a [MatrixN] section of matrixd.ini gives it.
struct MatrixConfig {
    static constexpr int kMaxPorts = 32;

    std::string name;    // in URLs: letters, digits and "-"
    std::string section; // "Matrix2", for messages
    // Empty for the matrix of Brisvane's settings, whose links that file names.
    std::optional<LinkAddress> link;
    int baud = 9600;
    int ports = 16;     // 4, 8, 16 or 32
    int matrixType = 3; // the position in the kinds table
    int avMode = 0;     // 0 video and audio, 1 video, 2 audio (kinds with layers)
    std::uint8_t header = 0xBA;
    std::uint8_t address = 1; // 1 to 8, or 255 for every device
    std::uint16_t localPort = 0;
    // How long the device's answer to one request is awaited.
    std::chrono::milliseconds timeout{1000};
    // The ports' names as the file holds them (UTF-8, or GBK written by hand); "" for none.
    std::array<std::string, kMaxPorts> inputNames;
    std::array<std::string, kMaxPorts> outputNames;
    // The matrix of Brisvane's settings: the file it all comes from.
    std::string brisvaneSettings;
};

struct ServerConfig {
    ListenAddress listen{"127.0.0.1", 8080};
    std::string token;
    std::string certificate; // both or neither: TLS
    std::string key;
};

// The MQTT bridge, as section [MQTT] gives it.
struct MqttConfig {
    std::string host = "localhost";
    std::uint16_t port = 1883;
    std::string user;
    std::string password;
    std::string caFile; // TLS when given
    std::string baseTopic = "matrix";
    std::string clientId = "matrixd";
    // Home Assistant's discovery prefix; empty: no discovery.
    std::string discovery = "homeassistant";
};

struct ServiceConfig {
    ServerConfig server;
    std::vector<MatrixConfig> matrices;
    // Without a [MQTT] section, no bridge.
    std::optional<MqttConfig> mqtt;
};

// The most [MatrixN] sections read: Matrix1 to Matrix64, gaps allowed.
inline constexpr int kMaxMatrices = 64;

// Reads matrixd.ini with the profile functions. Nullopt, with `error` saying in one line what is
// wrong and where ("[Matrix2] Size wants 4, 8, 16 or 32, not \"12\""), for a file that cannot be
// read, a value that does not fit, a name given twice, a TLS half-configured, or no matrix at all.
// Certificate, Key and CaFile are taken relative to the file's folder.
std::optional<ServiceConfig> readServiceConfig(const std::string& path, std::string& error);

// With no configuration file: the one matrix of Brisvane's settings file at `settingsPath`,
// named "matrix", on 127.0.0.1:8080.
ServiceConfig brisvaneDefaultConfig(const std::string& settingsPath);

// Whether `name` can stand in a URL as a matrix's name: 1 to 64 letters, digits and "-".
bool validMatrixName(const std::string& name);

} // namespace matrixd
