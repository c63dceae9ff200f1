#include "controller/protocol/reply_prompt_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace controller {
namespace {

using Texts = std::vector<std::string>;

struct QueueCase {
    const char* name;
    Texts batch;     // posted before the drain
    Texts whileOpen; // posted, and drained, while the batch's first text is shown
    Texts shown;
};

class ReplyPromptQueueCases : public testing::TestWithParam<QueueCase> {};

// Showing is a modal window whose nested event loop posts and drains again; nothing may open
// inside another, and once all is shown the next text shows at once.
TEST_P(ReplyPromptQueueCases, ShowsOneAtATimeInOrderCollapsedAndBounded) {
    const QueueCase& c = GetParam();
    ReplyPromptQueue queue;
    Texts shown;
    int open = 0;
    ReplyPromptQueue::Show show = [&](const std::string& text) {
        EXPECT_EQ(open++, 0) << text;
        shown.push_back(text);
        if (shown.size() == 1) {
            for (const std::string& t : c.whileOpen)
                queue.post(t);
            queue.drain(show);
        }
        --open;
    };
    for (const std::string& t : c.batch)
        queue.post(t);
    queue.drain(show);
    queue.post(c.shown.front());
    queue.drain(show);

    Texts expected = c.shown;
    expected.push_back(c.shown.front());
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(queue.waiting(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, ReplyPromptQueueCases,
    testing::Values(
        QueueCase{"repeatsInABatch", {"a", "b", "a", "b"}, {}, {"a", "b"}},
        QueueCase{"repeatsOfTheOpenAndWaitingTexts", {"a", "b"}, {"a", "c", "b"}, {"a", "b", "c"}},
        QueueCase{"eightWaitBesidesTheOpenOne",
                  {"0"},
                  {"1", "2", "3", "4", "5", "6", "7", "8", "9"},
                  {"0", "1", "2", "3", "4", "5", "6", "7", "8"}},
        QueueCase{"eightInABatch",
                  {"1", "2", "3", "4", "5", "6", "7", "8", "9"},
                  {},
                  {"1", "2", "3", "4", "5", "6", "7", "8"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace controller
