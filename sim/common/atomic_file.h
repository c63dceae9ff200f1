#pragma once

#include <string>

namespace sim {

// Replaces the file at `path` with `text` in one step (write a sibling, then rename), so that a
// reader polling the file never sees half of it. False if the file could not be written.
bool ReplaceFileContents(const std::string& path, const std::string& text);

} // namespace sim
