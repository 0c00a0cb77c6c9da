#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace carbonel {

// A few items handed from one thread to the next: the giver waits while the queue is full, so
// memory holds `capacity` items whatever the length of the stream. close() says no more come;
// cancel() makes both sides give up at once (a stage failed).
template <typename Item>
class FrameQueue {
  public:
    explicit FrameQueue(std::size_t capacity) : capacity_(capacity) {}

    // False when the queue was cancelled: the item is dropped.
    bool push(Item item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return cancelled_ || items_.size() < capacity_; });
        if (cancelled_) return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
        return true;
    }
    // The next item; none once the queue is closed and empty, or cancelled.
    std::optional<Item> pop() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return cancelled_ || closed_ || !items_.empty(); });
        if (cancelled_ || items_.empty()) return std::nullopt;
        Item item = std::move(items_.front());
        items_.pop_front();
        changed_.notify_all();
        return item;
    }
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        items_.clear();
        changed_.notify_all();
    }

  private:
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;
    bool closed_ = false;
    bool cancelled_ = false;
};

}  // namespace carbonel
