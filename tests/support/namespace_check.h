#pragma once

#include "sim/common/namespace_guard.h"

#include <string>

// Skips the current test unless it runs inside the private network namespace that scripts/test
// makes (loopback the only interface, multicast routed through it). Tests that join or send to a
// multicast group use it, so that nothing ever reaches a real network.
#define REQUIRE_PRIVATE_NETWORK_NAMESPACE()                                                        \
    do {                                                                                           \
        std::string why_;                                                                          \
        if (!sim::inPrivateNetworkNamespace(&why_))                                                \
            GTEST_SKIP() << "needs the private network namespace of scripts/test: " << why_;       \
    } while (0)
