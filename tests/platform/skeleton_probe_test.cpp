#include <gtest/gtest.h>
#include "tests/support/namespace_check.h"
TEST(Skeleton, Runs) { SUCCEED(); }
TEST(Skeleton, Namespace) { REQUIRE_PRIVATE_NETWORK_NAMESPACE(); SUCCEED(); }
