// A queue of at most `capacity` items from one producing thread to one consuming thread, so that
// making items and using them overlap while memory stays bounded. The contract:
// - push waits while `capacity` items wait, then queues the item and returns true; once the queue
//   is cancelled it returns false at once (a waiting push wakes) and the item is dropped.
// - pop waits while the queue is empty, then takes the oldest item and returns true; it returns
//   false once the queue is closed and drained, or at once when it is cancelled.
// - close is the producer's "no more items": what is queued is still popped.
// - cancel is the consumer's "no more wanted" (or the producer's, when it gives up): queued items
//   are dropped. A consumer that fails must cancel, or its producer may wait on a full queue for
//   ever; it keeps its failure for its owner to read after joining it.
// - Items the consumer has used may be given back (giveBack) and taken again by the producer
//   (takeBack), so that their memory serves again.
// close and cancel may come more than once, from either thread. The queue must outlive both.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace kvl {

template <typename T>
class BoundedQueue {
  public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    bool push(T&& item) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return items_.size() < capacity_ || cancelled_; });
        if (cancelled_) return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
        return true;
    }
    bool pop(T& item) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !items_.empty() || closed_ || cancelled_; });
        if (cancelled_ || items_.empty()) return false;
        item = std::move(items_.front());
        items_.pop_front();
        changed_.notify_all();
        return true;
    }
    void close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    void cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        items_.clear();
        changed_.notify_all();
    }
    // How many items wait to be popped.
    std::size_t waiting() {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }
    void giveBack(T&& item) {
        std::lock_guard<std::mutex> lock(mutex_);
        spare_.push_back(std::move(item));
    }
    // A used item into *item; false, leaving *item as it is, when none was given back.
    bool takeBack(T* item) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (spare_.empty()) return false;
        *item = std::move(spare_.back());
        spare_.pop_back();
        return true;
    }

  private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> items_;
    std::vector<T> spare_;
    bool closed_ = false, cancelled_ = false;
};

}  // namespace kvl
