// The queue of one matrix: one job under way at a time, the others in their order, a bound on
// how many wait.
#include "controller/service/operation_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace matrixd {
namespace {

TEST(OperationQueue, RunsOneJobAtATimeInOrderAndRefusesWhenFull) {
    OperationQueue queue(3);
    std::vector<std::string> started;
    std::vector<OperationQueue::Finished> finishers;
    const auto job = [&](std::string name) {
        return [&, name](OperationQueue::Finished finished) {
            started.push_back(name);
            finishers.push_back(std::move(finished));
        };
    };
    EXPECT_TRUE(queue.submit(job("a")));
    for (const char* name : {"b", "c", "d"})
        EXPECT_TRUE(queue.submit(job(name)));
    EXPECT_FALSE(queue.submit(job("e"))) << "three wait already";
    EXPECT_EQ(started, std::vector<std::string>{"a"});
    EXPECT_EQ(queue.waiting(), 3u);

    finishers[0]();
    finishers[0](); // twice, or late: nothing more starts
    EXPECT_EQ(started, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(queue.submit(job("e")));
    finishers[1]();
    finishers[2]();
    finishers[3]();
    EXPECT_EQ(started, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_TRUE(queue.busy());
    finishers[4]();
    EXPECT_FALSE(queue.busy());
}

} // namespace
} // namespace matrixd
