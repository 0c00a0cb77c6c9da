#pragma once

#include <atomic>

namespace carbonel {

// How many rows of a picture one thread has finished, for another thread that works behind it.
class RowProgress {
  public:
    static constexpr int kFailed = -1;

    // Stores the count of finished rows (release order) and wakes the waiters.
    void publish(int rows) {
        rows_.store(rows, std::memory_order_release);
        rows_.notify_all();
    }
    // The producer stopped for good; waiters give up.
    void fail() { publish(kFailed); }

    int current() const { return rows_.load(std::memory_order_acquire); }

    // Waits until at least `rows` rows are finished and returns how many are, or kFailed when the
    // producer failed.
    int waitFor(int rows) const {
        int done = current();
        for (; done < rows; done = current()) {
            if (done == kFailed) return kFailed;
            rows_.wait(done, std::memory_order_acquire);
        }
        return done;
    }

  private:
    std::atomic<int> rows_{0};
};

}  // namespace carbonel
