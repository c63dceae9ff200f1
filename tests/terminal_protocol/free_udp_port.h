#pragma once

#include <cstdint>

namespace terminal_test {

// A UDP port on which nothing listens right now, chosen by the system. Tests that run at the same
// time in one namespace each take their own, so that they never hear each other's traffic.
std::uint16_t freeUdpPort();

// Two neighbouring free ports: the returned one and the one below it.
std::uint16_t freeUdpPortAboveAnother();

} // namespace terminal_test
