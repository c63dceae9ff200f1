#pragma once

#include "controller/link/controller_settings.h"
#include "platform/prompt.h"

#include <string>

namespace controller {

// Setting.ini beside the executable: read whole once at start, written through one item at a
// time whenever the operator changes a setting.
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
        kNetwork = 8, // NetIP, GateIP, DestIP, MaskIP, HostPort, DestPort
        kUseNet = 9,
    };

    // `directory` is the executable's folder, of any length.
    explicit SettingsFile(std::string directory, const std::string& fileName = "Setting.ini");

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
