#pragma once

#include <string>

namespace platform {

// `text` as a JSON string, quotes included: quotes, backslashes and control characters escaped,
// everything else (UTF-8 included) as it is.
std::string jsonString(const std::string& text);

} // namespace platform
