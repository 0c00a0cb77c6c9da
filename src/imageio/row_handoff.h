#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace carbonel {

// Decodes a photo on a second thread while this one takes its rows in order: a ring of a few rows
// between the two, so the decoder runs ahead by at most that many. A decoding failure, which may
// come after the last row, is read only once that thread has been joined, and reaches the caller
// of run(); a failure of the caller's own stops the decoder first.
class RowHandoff {
  public:
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;
    // Decodes every row into the sink it is given, top to bottom.
    using Decode = std::function<void(const RowSink&)>;

    RowHandoff(int width, int height) : rowBytes_(std::size_t(width) * 3), height_(height) {
        ring_.resize(kRows * rowBytes_);
    }

    // Runs `decode` on a second thread and hands each of its rows to `take` on this one.
    void run(const Decode& decode, const RowSink& take) {
        std::exception_ptr decodeFailure;
        std::thread decoder([&] {
            try {
                decode([&](int, const std::uint8_t* row) { put(row); });
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
    static constexpr std::size_t kRows = 16;
    struct Stopped {};  // ends the decoder when the taker has failed

    void put(const std::uint8_t* row) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || produced_ - consumed_ < kRows; });
        if (stopped_) throw Stopped{};
        std::uint8_t* slot = &ring_[(produced_ % kRows) * rowBytes_];
        lock.unlock();  // the slot is the decoder's until it is counted as produced
        std::memcpy(slot, row, rowBytes_);
        lock.lock();
        ++produced_;
        changed_.notify_all();
    }
    const std::uint8_t* next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return produced_ > consumed_ || ended_; });
        if (produced_ == consumed_) return nullptr;
        return &ring_[(consumed_ % kRows) * rowBytes_];
    }
    void release() {
        std::lock_guard lock(mutex_);
        ++consumed_;
        changed_.notify_all();
    }
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

    std::size_t rowBytes_;
    int height_;
    std::vector<std::uint8_t> ring_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t produced_ = 0, consumed_ = 0;
    bool ended_ = false, stopped_ = false;
};

}  // namespace carbonel
