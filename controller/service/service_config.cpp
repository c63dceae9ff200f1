#include "controller/service/service_config.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/matrix_kinds.h"
#include "platform/profile.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace matrixd {

namespace {

// Bytes kept of a port name: 32 characters of up to four bytes, and quotes around them.
constexpr std::size_t kNameBytes = MatrixConfig::kMaxPorts * 4 + 2;
constexpr std::size_t kValueBytes = 4096;

std::optional<int> decimal(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string besideFile(const std::string& file, const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    return folderOf(file) + "/" + path;
}

// Reads one file; each failing value sets the error once (the first one found counts).
class Reader {
public:
    explicit Reader(const std::string& path) : m_path(path) {}

    std::string value(const std::string& section, const char* key,
                      std::size_t limit = kValueBytes) {
        return platform::getProfileString(section, key, "", limit, m_path);
    }
    bool fail(const std::string& section, const std::string& what) {
        if (m_error.empty())
            m_error = "[" + section + "] " + what;
        return false;
    }
    bool failValue(const std::string& section, const char* key, const std::string& value,
                   const std::string& wants) {
        return fail(section, std::string(key) + " wants " + wants + ", not \"" + value + "\"");
    }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_error;
};

bool readServer(Reader& file, ServerConfig& server) {
    const std::string section = "Server";
    if (const std::string listen = file.value(section, "Listen"); !listen.empty()) {
        std::string why;
        const auto address = parseListenAddress(listen, why);
        if (!address)
            return file.failValue(section, "Listen", listen, why.substr(6));
        server.listen = *address;
    }
    server.token = file.value(section, "Token");
    for (const char c : server.token)
        if (c <= ' ' || c > '~')
            return file.fail(section, "Token may hold printable ASCII characters only, no blanks");
    server.certificate = besideFile(file.path(), file.value(section, "Certificate"));
    server.key = besideFile(file.path(), file.value(section, "Key"));
    if (server.certificate.empty() != server.key.empty())
        return file.fail(section, "Certificate and Key go together: give both for TLS, or neither");
    return true;
}

// Whether the file has the section `name` (case-insensitive), even an empty one.
bool hasSection(const std::string& bytes, const std::string& name) {
    const std::string wanted = "[" + lower(name) + "]";
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(begin, end - begin);
        const auto first = line.find_first_not_of(" \t");
        const auto last = line.find_last_not_of(" \t\r");
        if (first != std::string::npos && lower(line.substr(first, last - first + 1)) == wanted)
            return true;
        begin = end + 1;
    }
    return false;
}

// A topic level or prefix: no wildcards, no NUL, no "/" at either end.
bool validTopicPart(const std::string& topic) {
    return topic.find_first_of(std::string("+#\0", 3)) == std::string::npos &&
           topic.front() != '/' && topic.back() != '/';
}

bool readMqtt(Reader& file, MqttConfig& mqtt) {
    const std::string section = "MQTT";
    if (std::string host = file.value(section, "Host"); !host.empty())
        mqtt.host = std::move(host);
    if (const std::string port = file.value(section, "Port"); !port.empty()) {
        const auto p = decimal(port, 1, 65535);
        if (!p)
            return file.failValue(section, "Port", port, "a TCP port from 1 to 65535");
        mqtt.port = static_cast<std::uint16_t>(*p);
    }
    mqtt.user = file.value(section, "User");
    mqtt.password = file.value(section, "Password");
    mqtt.caFile = besideFile(file.path(), file.value(section, "CaFile"));
    if (std::string base = file.value(section, "BaseTopic"); !base.empty())
        mqtt.baseTopic = std::move(base);
    if (!validTopicPart(mqtt.baseTopic))
        return file.failValue(section, "BaseTopic", mqtt.baseTopic,
                              "a topic without + or # and without / at either end");
    if (std::string id = file.value(section, "ClientId"); !id.empty())
        mqtt.clientId = std::move(id);
    for (const char c : mqtt.clientId)
        if (c <= ' ' || c > '~')
            return file.fail(section, "ClientId may hold printable ASCII characters only, no "
                                      "blanks");
    // Present but empty turns discovery off; a default that no file can hold tells it from absent.
    const std::string absent = "\x01";
    if (std::string prefix =
            platform::getProfileString(section, "Discovery", absent, kValueBytes, file.path());
        prefix != absent)
        mqtt.discovery = std::move(prefix);
    if (!mqtt.discovery.empty() && !validTopicPart(mqtt.discovery))
        return file.failValue(section, "Discovery", mqtt.discovery,
                              "a topic prefix without + or # and without / at either end");
    return true;
}

bool readMatrix(Reader& file, int number, MatrixConfig& m) {
    const std::string& s = m.section;
    m.name = file.value(s, "Name");
    if (m.name.empty())
        m.name = "matrix" + std::to_string(number);
    if (!validMatrixName(m.name))
        return file.failValue(s, "Name", m.name, "1 to 64 letters, digits and -");

    const std::string linkValue = file.value(s, "Link");
    if (linkValue.empty())
        return file.fail(s, "Link is missing: serial:DEVICE, udp:HOST:PORT or tcp:HOST:PORT");
    std::string why;
    m.link = parseLinkAddress(linkValue, why);
    if (!m.link)
        return file.failValue(s, "Link", linkValue, why.substr(why.find("wants ") + 6));

    const std::string size = file.value(s, "Size");
    const auto ports = decimal(size, 1, 32);
    if (!ports || !controller::sizeIndexOfPorts(*ports))
        return file.failValue(s, "Size", size, "4, 8, 16 or 32");
    m.ports = *ports;

    const std::string type = file.value(s, "Type");
    const controller::MatrixKind* kind = controller::findMatrixKind(type);
    if (!kind)
        return file.failValue(s, "Type", type,
                              "AV, VGA, DVI, HDMI, SDI or Hybrid (or the type's full name)");
    m.matrixType = controller::matrixTypeOf(*kind);

    if (const std::string baud = file.value(s, "Baud"); !baud.empty()) {
        const auto rate = decimal(baud, 1, 19200);
        if (!rate || !controller::baudIndexOfRate(*rate))
            return file.failValue(s, "Baud", baud, "2400, 4800, 9600 or 19200");
        m.baud = *rate;
    }
    if (const std::string address = file.value(s, "Address"); !address.empty()) {
        const auto a = decimal(address, 1, 255);
        if (!a || (*a > 8 && *a != controller::kBroadcastAddress))
            return file.failValue(s, "Address", address, "1 to 8, or 255 for every device");
        m.address = static_cast<std::uint8_t>(*a);
    }
    if (const std::string layer = file.value(s, "Layer"); !layer.empty()) {
        static const std::map<std::string, int> kLayers{
            {"video-audio", 0}, {"video", 1}, {"audio", 2}};
        const auto found = kLayers.find(lower(layer));
        if (found == kLayers.end())
            return file.failValue(s, "Layer", layer, "video-audio, video or audio");
        if (!kind->avLayers && found->second != 0)
            return file.fail(s, "Layer is for AV and VGA matrices only");
        m.avMode = found->second;
    }
    if (const std::string header = file.value(s, "Header"); !header.empty()) {
        if (lower(header) != "ba" && header != "96")
            return file.failValue(s, "Header", header, "BA or 96");
        m.header = header == "96" ? controller::kHeader96 : controller::kHeaderBA;
    }
    if (const std::string timeout = file.value(s, "Timeout"); !timeout.empty()) {
        const auto ms = decimal(timeout, 1, 60000);
        if (!ms)
            return file.failValue(s, "Timeout", timeout, "milliseconds from 1 to 60000");
        m.timeout = std::chrono::milliseconds(*ms);
    }
    if (const std::string local = file.value(s, "LocalPort"); !local.empty()) {
        const auto port = decimal(local, 0, 65535);
        if (!port)
            return file.failValue(s, "LocalPort", local, "a UDP port from 0 to 65535");
        m.localPort = static_cast<std::uint16_t>(*port);
    }
    for (int n = 1; n <= m.ports; ++n) {
        const auto at = static_cast<std::size_t>(n - 1);
        m.inputNames[at] = file.value(s, ("In" + std::to_string(n)).c_str(), kNameBytes);
        m.outputNames[at] = file.value(s, ("Out" + std::to_string(n)).c_str(), kNameBytes);
    }
    return true;
}

} // namespace

bool validMatrixName(const std::string& name) {
    if (name.empty() || name.size() > 64)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    });
}

std::optional<ServiceConfig> readServiceConfig(const std::string& path, std::string& error) {
    std::string bytes;
    if (platform::readWholeFile(path, bytes) != platform::FileReadResult::Ok) {
        error = "cannot read " + path + ": " + platform::lastFileError();
        return std::nullopt;
    }
    Reader file(path);
    ServiceConfig config;
    bool good = readServer(file, config.server);
    if (good && hasSection(bytes, "MQTT")) {
        config.mqtt.emplace();
        good = readMqtt(file, *config.mqtt);
    }
    std::map<std::string, std::string> taken;
    for (int n = 1; good && n <= kMaxMatrices; ++n) {
        MatrixConfig m;
        m.section = "Matrix" + std::to_string(n);
        if (file.value(m.section, "Name").empty() && file.value(m.section, "Link").empty())
            continue;
        good = readMatrix(file, n, m);
        if (!good)
            break;
        const auto [other, fresh] = taken.emplace(lower(m.name), m.section);
        if (!fresh) {
            good = file.fail(m.section, "Name \"" + m.name + "\" is [" + other->second + "]'s");
            break;
        }
        for (const MatrixConfig& before : config.matrices)
            if (before.link == m.link) {
                good = file.fail(m.section, "Link " + linkText(*m.link) + " is [" + before.section +
                                                "]'s already");
                break;
            }
        config.matrices.push_back(std::move(m));
    }
    if (good && config.matrices.empty())
        good = file.fail("Matrix1", "no matrix: give at least [Matrix1] with Link, Size and Type");
    if (!good) {
        error = path + ": " + file.error();
        return std::nullopt;
    }
    return config;
}

ServiceConfig brisvaneDefaultConfig(const std::string& settingsPath) {
    ServiceConfig config;
    MatrixConfig matrix;
    matrix.name = "matrix";
    matrix.section = "Brisvane";
    matrix.brisvaneSettings = settingsPath;
    config.matrices.push_back(std::move(matrix));
    return config;
}

} // namespace matrixd
