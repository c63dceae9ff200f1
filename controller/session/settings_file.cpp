#include "controller/session/settings_file.h"

#include "platform/profile.h"

#include <cstdio>
#include <utility>

namespace controller {
namespace {

constexpr const char* kSystemSection = "SYSTEM_SET";
constexpr const char* kNetSection = "Net";
constexpr const char* kPortsSection = "Ports";
constexpr const char* kNamesSection = "Names";
// A device path of the [Ports] section is read into a buffer of 256.
constexpr std::size_t kPortPathChars = 255;
constexpr std::size_t kTransportChars = 15;
// The addresses were read into 20-character buffers: at most 19 characters survive.
constexpr std::size_t kAddressChars = 19;
constexpr const char* kCannotOpen =
    "Unable to open the INI file, the default values will be loaded!";

std::string joinPath(std::string directory, const std::string& fileName) {
    if (directory.empty())
        return fileName;
    if (directory.back() != '/')
        directory += '/';
    return directory + fileName;
}

} // namespace

SettingsFile::SettingsFile(std::string directory, const std::string& fileName)
    : m_path(joinPath(std::move(directory), fileName)) {}

SettingsFile SettingsFile::atPath(const std::string& path) {
    SettingsFile file{std::string()};
    file.m_path = path;
    return file;
}

std::string SettingsFile::portPath(int n) const {
    return platform::getProfileString(kPortsSection, "COM" + std::to_string(n), "", kPortPathChars,
                                      m_path);
}

bool SettingsFile::rememberPortPath(const std::string& comName, const std::string& path) const {
    return platform::writeProfileString(kPortsSection, comName, path, m_path);
}

std::string SettingsFile::nameValue(const std::string& key, std::size_t maxBytes) const {
    return platform::getProfileString(kNamesSection, key, "", maxBytes, m_path);
}

bool SettingsFile::writeNameValue(const std::string& key, const std::string& value) const {
    return platform::writeProfileString(kNamesSection, key, value, m_path);
}

bool SettingsFile::ensureExists(platform::PromptSink& prompts) const {
    std::FILE* file = std::fopen(m_path.c_str(), "ab+");
    if (file == nullptr) {
        prompts.show(platform::Prompt::dialog(kCannotOpen));
        return false;
    }
    std::fclose(file);
    return true;
}

ControllerSettings SettingsFile::load(platform::PromptSink& prompts) const {
    ensureExists(prompts);
    return read();
}

ControllerSettings SettingsFile::read() const {
    const ControllerSettings defaults;
    ControllerSettings s;
    auto readInt = [this](const char* section, const char* key, int fallback) {
        return platform::getProfileInt(section, key, fallback, m_path);
    };
    auto readAddress = [this](const char* key) {
        return platform::getProfileString(kNetSection, key, "", kAddressChars, m_path);
    };

    s.selectCom = readInt(kSystemSection, "SelectCOM", defaults.selectCom);
    s.selectBaud = readInt(kSystemSection, "SelectBAUD", defaults.selectBaud);
    s.matrixType = readInt(kSystemSection, "MatrixType", defaults.matrixType);
    s.matrixSize = readInt(kSystemSection, "MatrixSize", defaults.matrixSize);
    s.avMode = readInt(kSystemSection, "AVMode", defaults.avMode);
    s.idleTime = readInt(kSystemSection, "IdleTime", defaults.idleTime);
    s.sceneRun = readInt(kSystemSection, "SceneRun", defaults.sceneRun);
    s.useNet = readInt(kSystemSection, "UseNet", defaults.useNet);
    s.netIp = readAddress("NetIP");
    s.gateIp = readAddress("GateIP");
    s.destIp = readAddress("DestIP");
    s.maskIp = readAddress("MaskIP");
    s.hostPort = readInt(kNetSection, "HostPort", defaults.hostPort);
    // Written as "DestPort"; keys match without regard to case, so both spellings are one entry.
    s.destPort = readInt(kNetSection, "Destport", defaults.destPort);
    s.protocolType = readInt(kSystemSection, "ProtocolType", defaults.protocolType);
    s.transport = platform::getProfileString(kNetSection, "Transport", defaults.transport,
                                             kTransportChars, m_path);
    return s;
}

bool SettingsFile::storesMatrixSize() const {
    // No value reads as a blank, which a key that is present never gives back.
    return platform::getProfileString(kSystemSection, "MatrixSize", " ", 1, m_path) != " ";
}

void SettingsFile::save(int item, const ControllerSettings& settings,
                        platform::PromptSink& prompts) const {
    ensureExists(prompts);

    auto writeInt = [this](const char* section, const char* key, int value) {
        platform::writeProfileString(section, key, std::to_string(value), m_path);
    };
    auto writeText = [this](const char* key, const std::string& value) {
        platform::writeProfileString(kNetSection, key, value, m_path);
    };

    // The in-memory value, so that a header choice made by hand in the file survives saves.
    writeInt(kSystemSection, "ProtocolType", settings.protocolType);
    switch (item) {
    case kSelectCom:
        writeInt(kSystemSection, "SelectCOM", settings.selectCom);
        break;
    case kSelectBaud:
        writeInt(kSystemSection, "SelectBAUD", settings.selectBaud);
        break;
    case kMatrixType:
        writeInt(kSystemSection, "MatrixType", settings.matrixType);
        break;
    case kMatrixSize:
        writeInt(kSystemSection, "MatrixSize", settings.matrixSize);
        break;
    case kAvMode:
        writeInt(kSystemSection, "AVMode", settings.avMode);
        break;
    case kIdleTime:
        writeInt(kSystemSection, "IdleTime", settings.idleTime);
        break;
    case kSceneRun:
        writeInt(kSystemSection, "SceneRun", settings.sceneRun);
        break;
    case kNetwork:
        writeText("NetIP", settings.netIp);
        writeText("GateIP", settings.gateIp);
        writeText("DestIP", settings.destIp);
        writeText("MaskIP", settings.maskIp);
        writeInt(kNetSection, "HostPort", settings.hostPort);
        writeInt(kNetSection, "DestPort", settings.destPort);
        // A file that never chose a transport reaches its terminal by UDP and stays as it was.
        if (settings.transport != ControllerSettings().transport ||
            !platform::getProfileString(kNetSection, "Transport", "", kTransportChars, m_path)
                 .empty())
            writeText("Transport", settings.transport);
        break;
    case kUseNet:
        writeInt(kSystemSection, "UseNet", settings.useNet);
        break;
    default:
        break;
    }
}

} // namespace controller
