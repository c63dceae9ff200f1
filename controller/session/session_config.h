#pragma once

#include "controller/link/serial_port_access.h"

#include <functional>
#include <optional>
#include <string>

namespace controller {

// What a MatrixSession is built on; everything a test needs to replace is here.
struct SessionConfig {
    // Where Setting.ini is: the executable's folder or the user's configuration folder.
    std::string settingsFolder;
    std::string settingsFileName = "Setting.ini";
    // Reads the settings file but never creates or writes it, [Ports] included: for a program
    // that borrows the window's settings without changing them.
    bool readOnly = false;
    // Which serial ports the machine has and how one is opened.
    SerialPortAccess ports;
    // This computer's address as dotted text, nullopt when it cannot be found; empty asks the
    // system (platform::detectHostAddress).
    std::function<std::optional<std::string>()> hostAddress;
};

} // namespace controller
