#pragma once

#include "controller/session/controller_settings.h"
#include "platform/prompt.h"

#include <string>

namespace controller {

// Setting.ini, the one reader and writer of Brisvane's settings file: [SYSTEM_SET] and [Net] read
// whole once at start and written through one item at a time whenever the operator changes a
// setting, the device paths of the COM entries in [Ports] and the names of the ports in [Names].
// Everything goes through the profile functions, so every other byte of the file stays as it was.
class SettingsFile {
public:
    // The items a caller saves, one per control that changes the settings.
    enum Item {
        kSelectCom = 1,
        kSelectBaud = 2,
        kMatrixType = 3,
        kMatrixSize = 4,
        kAvMode = 5,
        kIdleTime = 6,
        kSceneRun = 7,
        kNetwork = 8, // NetIP, GateIP, DestIP, MaskIP, HostPort, DestPort, then Transport
                      // when it is not UDP or the file names one already
        kUseNet = 9,
    };

    // `directory` is the executable's folder, of any length.
    explicit SettingsFile(std::string directory, const std::string& fileName = "Setting.ini");

    // The file at `path`, whatever its name.
    static SettingsFile atPath(const std::string& path);

    // directory + "/" + fileName
    const std::string& path() const { return m_path; }

    // Creates the file empty when it is missing, then reads every setting, with its default
    // where the file has none. When the file can neither be opened nor created the operator is
    // told that defaults will be used; whatever can still be read is read. Applying the record
    // to the window's controls is the window's job.
    ControllerSettings load(platform::PromptSink& prompts) const;
    // Reads every setting as load() does, without making the file: one that is missing or cannot
    // be read gives the defaults.
    ControllerSettings read() const;
    // Whether the file names the matrix size (key MatrixSize), rather than leaving it to the
    // default.
    bool storesMatrixSize() const;

    // The device path key "COMn" of [Ports] names for COM entry n (up to 255 characters); empty
    // when it names none.
    std::string portPath(int n) const;
    // Keeps `path` as the device of COM entry `comName` ("COM3"). False when the file cannot be
    // written.
    bool rememberPortPath(const std::string& comName, const std::string& path) const;

    // The raw value of a name in [Names] ("In3", "Out12"), up to `maxBytes` bytes.
    std::string nameValue(const std::string& key, std::size_t maxBytes) const;
    bool writeNameValue(const std::string& key, const std::string& value) const;

    // Writes ProtocolType (as held in memory), then the keys of `item` (see Item); an item
    // outside 1..9 writes ProtocolType only. Same creation check and prompt as load; a write
    // that fails otherwise goes unreported, and nothing else of the file changes.
    void save(int item, const ControllerSettings& settings, platform::PromptSink& prompts) const;

private:
    // The file is opened for appending (and so created) and closed again at once; false, after
    // telling the operator, when that fails.
    bool ensureExists(platform::PromptSink& prompts) const;

    std::string m_path;
};

} // namespace controller
