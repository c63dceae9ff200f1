#pragma once

#include <string>

namespace platform {

enum class FileReadResult {
    Ok,
    Missing, // no such file, or a part of the path is not a folder
    Failed,  // a folder, a device or pipe, unreadable, or an error while reading
};

// Reads a regular file whole. Anything else (folder, FIFO, terminal, socket) is refused
// without being opened, so that a misdirected path can neither block nor touch a device.
FileReadResult readWholeFile(const std::string& path, std::string& bytes);

// Replaces the file's contents with `bytes`, creating it (mode 0666 less the umask) when missing.
// Refuses anything that exists and is not a regular file. False on any failure.
bool writeWholeFile(const std::string& path, const std::string& bytes);

} // namespace platform
