#pragma once

#include "controller/protocol/frame_decoder.h"
#include "controller/session/settings_file.h"

#include <array>
#include <memory>
#include <string>

namespace controller {

// The operator's names of the matrix's inputs and outputs ("Camera 2", "Projector left"), kept in
// section [Names] of Setting.ini under the keys In1..In32 and Out1..Out32. One set per settings
// file: the names describe the installation's wiring, whatever device address the session talks
// to. Names are stored as UTF-8; a value that is not valid UTF-8 (written by hand in the GBK code
// page) is read as GBK.
class PortNames {
public:
    static constexpr int kMaxPorts = 32;
    // The longest name kept, in characters.
    static constexpr int kMaxLength = 32;

    // Reads and writes the names through `file`.
    explicit PortNames(SettingsFile file);

    // Reads every name from the file; names missing there are empty.
    void load();

    // The name of input or output `number` (from 1); "" when it has none or the number is out
    // of range.
    std::string name(PortKind kind, int number) const;

    // Cleans `name` (see cleanName), keeps it and writes it to the file, touching no other line;
    // an empty name is written as an empty value. False when the number is out of range or the
    // file cannot be written (the name is then kept in memory only).
    bool setName(PortKind kind, int number, const std::string& name);

    // Keeps a name read from elsewhere in the file's form (UTF-8, or GBK written by hand) for
    // this run, cleaned as setName cleans it, without writing anything. False when the number is
    // out of range.
    bool keepName(PortKind kind, int number, const std::string& value);

    // A namer for the frame decoder and anything else that shows ports: it sees every later
    // change and may outlive this object.
    PortNamer namer() const;

    // What a name becomes before it is kept: invalid UTF-8 replaced, control characters (line
    // breaks, tabs, NUL) taken as blanks, runs of blanks made one, blanks at both ends removed,
    // cut to kMaxLength characters.
    static std::string cleanName(const std::string& name);

    // The file's key for a port: "In3", "Out12".
    static std::string key(PortKind kind, int number);

private:
    using Table = std::array<std::array<std::string, kMaxPorts>, 2>;

    SettingsFile m_file;
    std::shared_ptr<Table> m_names;
};

} // namespace controller
