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

// Whether a replacement waits for its bytes to reach the disk before it takes the old file's place.
enum class FileSync {
    ToDisk, // a crash of the machine, too, finds the old contents or the new
    None,   // for files that only other processes read meanwhile (simulator state)
};

// Replaces the file's contents with `bytes` in one step: they go to a new file in the same folder,
// reach the disk (see FileSync), and that file then takes the old one's place by rename. A reader,
// a crash or a full disk finds the old contents or the new, never a part; a write that fails leaves
// the old file as it was (a crash may leave a hidden ".NAME.*.tmp" beside it). A symbolic link is
// written through: its target is replaced and the link stays a link. The file keeps its permission
// bits (and its owner and group where this process may set them); a new file gets mode 0666 less
// the umask. Refuses anything that exists and is not a regular file, and a file this process may
// not write (a read-only file is not replaced). False on any failure.
bool writeWholeFile(const std::string& path, const std::string& bytes,
                    FileSync sync = FileSync::ToDisk);

// Why the last readWholeFile or writeWholeFile of this thread failed, in the system's words
// ("Permission denied", "Is a directory", "No space left on device").
std::string lastFileError();

// Whether the file at `path` (symbolic links followed) exists, is a regular file and may be
// written by this process: what a write that would change nothing answers.
bool isWritableFile(const std::string& path);

} // namespace platform
