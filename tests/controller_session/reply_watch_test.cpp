#include "controller/session/reply_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace controller {
namespace {

using Tick = ReplyWatch::TickResult;

std::vector<Tick> runTicks(ReplyWatch& watch, int count) {
    std::vector<Tick> results;
    for (int i = 0; i < count; ++i)
        results.push_back(watch.tick());
    return results;
}

TEST(ReplyWatch, ReadGoesOutAtTheDelayAndTimesOutThreeTicksLater) {
    for (int delay : {2, 4}) {
        ReplyWatch watch;
        watch.setDelay(delay);
        watch.restart();
        std::vector<Tick> expected(static_cast<std::size_t>(delay + 4), Tick::Nothing);
        expected[static_cast<std::size_t>(delay - 1)] = Tick::ReadDue;
        expected[static_cast<std::size_t>(delay + 2)] = Tick::TimedOut;
        EXPECT_EQ(runTicks(watch, delay + 4), expected) << "delay " << delay;
        EXPECT_FALSE(watch.running());
        EXPECT_FALSE(watch.awaiting());
    }
}

TEST(ReplyWatch, AwaitedReplyEndsTheWatchAndAnUnawaitedOneDoesNot) {
    ReplyWatch watch;
    watch.restart();
    EXPECT_FALSE(watch.replyArrived()); // nothing asked yet: the count goes on
    EXPECT_EQ(watch.tick(), Tick::Nothing);
    EXPECT_EQ(watch.tick(), Tick::ReadDue);
    EXPECT_TRUE(watch.replyArrived());
    EXPECT_FALSE(watch.running());
    EXPECT_EQ(runTicks(watch, 6), std::vector<Tick>(6, Tick::Nothing));
}

TEST(ReplyWatch, ReadSwitchAwaitsFromTickZeroAndSendsNoSecondRead) {
    ReplyWatch watch;
    watch.restartAwaiting();
    EXPECT_EQ(runTicks(watch, 5), (std::vector<Tick>{Tick::Nothing, Tick::Nothing, Tick::Nothing,
                                                     Tick::Nothing, Tick::TimedOut}));
}

TEST(ReplyWatch, RestartWhileAwaitingKeepsAwaitingAndCountsAgain) {
    ReplyWatch watch;
    watch.restart();
    runTicks(watch, 3); // read went out on tick 2
    watch.restart();    // e.g. LOAD pressed meanwhile
    EXPECT_TRUE(watch.awaiting());
    EXPECT_EQ(runTicks(watch, 5), (std::vector<Tick>{Tick::Nothing, Tick::Nothing, Tick::Nothing,
                                                     Tick::Nothing, Tick::TimedOut}));
}

} // namespace
} // namespace controller
