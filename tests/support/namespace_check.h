#pragma once

#include <string>

namespace test_support {

// True only inside the private network namespace that scripts/test makes: loopback is the only
// interface and the multicast range is routed through it. Tests that join or send to a multicast
// group skip unless this holds, so that nothing ever reaches a real network.
bool inPrivateNetworkNamespace(std::string* why = nullptr);

} // namespace test_support

// Skips the current test unless it runs inside the private network namespace.
#define REQUIRE_PRIVATE_NETWORK_NAMESPACE()                                                        \
    do {                                                                                           \
        std::string why_;                                                                          \
        if (!test_support::inPrivateNetworkNamespace(&why_))                                       \
            GTEST_SKIP() << "needs the private network namespace of scripts/test: " << why_;      \
    } while (0)
