#include "controller/link/open_failure_text.h"

#include <cstring>

namespace controller {

std::string openFailureReason(const std::string& portName, const std::string& devicePath,
                              const platform::SerialOpenFailure& failure) {
    using platform::SerialOpenError;
    if (devicePath.empty())
        return portName + ": no serial device was found for this entry.";
    // A port named by its device path is not named twice.
    const std::string where =
        (portName == devicePath ? devicePath : portName + " (" + devicePath + ")") + ": ";
    switch (failure.error) {
    case SerialOpenError::NotPresent:
        return where + "the device is not present. Is the adapter plugged in?";
    case SerialOpenError::PermissionDenied:
        // Joining "root" is no advice worth giving.
        if (!failure.group.empty() && failure.group != "root")
            return where + "permission denied.\r\nThe device belongs to group \"" + failure.group +
                   "\": add your user to it\r\n(sudo usermod -aG " + failure.group +
                   " $USER), then log out and log in again.";
        return where + "permission denied. Your user needs read and write access to the device.";
    case SerialOpenError::InUse:
        return where + "the port is in use by another program. Close that program first.";
    case SerialOpenError::NotATerminal:
        return where + "this is not a serial device.";
    case SerialOpenError::SetupFailed:
    case SerialOpenError::None:
        break;
    }
    std::string text = where + "the port could not be set up";
    if (failure.systemError != 0)
        text += std::string(" (") + std::strerror(failure.systemError) + ")";
    return text + ".";
}

} // namespace controller
