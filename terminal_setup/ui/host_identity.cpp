#include "terminal_setup/ui/host_identity.h"

#include <unistd.h>

namespace terminal_setup {

namespace {

constexpr std::size_t kHostNameBuffer = 256;

} // namespace

std::optional<std::string> systemHostName() {
    char name[kHostNameBuffer] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    return std::string(name);
}

} // namespace terminal_setup
