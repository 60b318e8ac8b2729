// The queue between a producing and a consuming thread: order, bounds, close and cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "reports/BoundedQueue.h"

namespace {

using kvl::BoundedQueue;

TEST(BoundedQueueTest, ItemsArriveInOrderAndAClosedQueueDrainsBeforePopEnds) {
    BoundedQueue<int> queue(2);
    std::vector<int> popped;
    std::jthread consumer([&] {
        for (int item; queue.pop(item);) popped.push_back(item);
    });
    for (int i = 1; i <= 50; ++i) ASSERT_TRUE(queue.push(int(i)));
    queue.close();
    consumer.join();
    ASSERT_EQ(popped.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(popped[static_cast<std::size_t>(i)], i + 1);
}

// A consumer that has stopped (failed) cancels: the producer waiting on the full queue wakes, and
// no push succeeds after, so it can never wait for ever.
TEST(BoundedQueueTest, AFullQueueHoldsItsProducerUntilTheConsumerCancels) {
    constexpr int kCapacity = 3;
    BoundedQueue<int> queue(kCapacity);
    std::atomic<int> tried = 0, queued = 0;
    std::jthread producer([&] {
        for (int i = 0; i < kCapacity + 5; ++i) {
            ++tried;
            if (queue.push(int(i))) ++queued;
        }
    });
    while (tried <= kCapacity) std::this_thread::yield();  // the push beyond the bound is made
    queue.cancel();
    producer.join();
    EXPECT_EQ(queued, kCapacity);
    int item = -1;
    EXPECT_FALSE(queue.pop(item));  // what was queued is dropped
    EXPECT_EQ(item, -1);
}

TEST(BoundedQueueTest, ACancelledQueueRefusesPushAndEndsAWaitingPop) {
    BoundedQueue<int> queue(4);
    bool popped = true;
    std::jthread consumer([&] {
        int item;
        popped = queue.pop(item);
    });
    queue.cancel();
    consumer.join();
    EXPECT_FALSE(popped);
    EXPECT_FALSE(queue.push(1));
    queue.close();  // after a cancel, and twice, is harmless
    queue.cancel();
}

TEST(BoundedQueueTest, GivenBackItemsAreTakenAgainWithTheirMemory) {
    BoundedQueue<std::string> queue(1);
    std::string used(1000, 'x');
    const char* memory = used.data();
    queue.giveBack(std::move(used));
    std::string next = "kept";
    ASSERT_TRUE(queue.takeBack(&next));
    EXPECT_EQ(next.data(), memory);
    std::string none = "kept";
    EXPECT_FALSE(queue.takeBack(&none));
    EXPECT_EQ(none, "kept");
}

}  // namespace
