#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace carbonel {

// Decodes a photo on a second thread while this one takes its rows in order: a ring of a few rows
// between the two, so the decoder runs ahead by at most that many. A decoder may decode straight
// into the ring, asking where each row goes. A decoding failure, which may come after the last
// row, is read only once that thread has been joined, and reaches the caller of run(); a failure
// of the caller's own stops the decoder first.
class RowHandoff {
  public:
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;
    using RowPlace = std::function<std::uint8_t*(int y)>;
    // Decodes every row into the sink it is given, top to bottom, each where the place says if
    // it can.
    using Decode = std::function<void(const RowPlace&, const RowSink&)>;

    // The ring is left uninitialised: the decoder writes each row before it is read.
    RowHandoff(int width, int height)
        : rowBytes_(std::size_t(width) * 3),
          height_(height),
          ring_(new std::uint8_t[kRows * rowBytes_]) {}

    // Runs `decode` on a second thread and hands each of its rows to `take` on this one.
    void run(const Decode& decode, const RowSink& take) {
        std::exception_ptr decodeFailure;
        std::thread decoder([&] {
            try {
                decode([&](int) { return place(); },
                       [&](int, const std::uint8_t* row) { put(row); });
            } catch (...) {
                decodeFailure = std::current_exception();
            }
            std::lock_guard lock(mutex_);
            ended_ = true;
            changed_.notify_all();
        });
        try {
            for (int y = 0; y < height_; ++y) {
                const std::uint8_t* row = next();
                if (!row) break;  // the decoder stopped early: its failure says why
                take(y, row);
                release();
            }
        } catch (...) {
            stop();
            decoder.join();
            throw;
        }
        decoder.join();
        if (decodeFailure) std::rethrow_exception(decodeFailure);
    }

  private:
    // The threads wake each other a block of rows at a time: a row costs the sketcher tens of
    // microseconds, about what one wake-up does.
    static constexpr std::size_t kRows = 64;
    static constexpr std::size_t kBlock = 16;
    struct Stopped {};  // ends the decoder when the taker has failed

    void wake() {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
    // The ring's place for the next row, once the taker has freed it.
    std::uint8_t* place() {
        const std::size_t y = produced_.load(std::memory_order_relaxed);
        if (y - consumed_.load(std::memory_order_acquire) >= kRows || stopped_.load()) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                return stopped_.load() || y - consumed_.load(std::memory_order_acquire) < kRows;
            });
        }
        if (stopped_.load()) throw Stopped{};
        return &ring_[(y % kRows) * rowBytes_];
    }
    void put(const std::uint8_t* row) {
        const std::size_t y = produced_.load(std::memory_order_relaxed);
        std::uint8_t* slot = place();
        if (row != slot) std::memcpy(slot, row, rowBytes_);
        produced_.store(y + 1, std::memory_order_release);
        if ((y + 1) % kBlock == 0) wake();
    }
    const std::uint8_t* next() {
        const std::size_t y = consumed_.load(std::memory_order_relaxed);
        if (produced_.load(std::memory_order_acquire) == y) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock,
                          [&] { return produced_.load(std::memory_order_acquire) > y || ended_; });
            if (produced_.load(std::memory_order_acquire) == y) return nullptr;
        }
        return &ring_[(y % kRows) * rowBytes_];
    }
    void release() {
        const std::size_t y = consumed_.load(std::memory_order_relaxed) + 1;
        consumed_.store(y, std::memory_order_release);
        if (y % kBlock == 0) wake();
    }
    void stop() {
        stopped_.store(true);
        wake();
    }

    std::size_t rowBytes_;
    int height_;
    std::unique_ptr<std::uint8_t[]> ring_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::size_t> produced_{0}, consumed_{0};
    std::atomic<bool> stopped_{false};
    bool ended_ = false;  // under the mutex
};

}  // namespace carbonel
