#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace carbonel {

// A zlib stream compressed in bands on several threads, as parallel gzip tools do: each band is a
// raw deflate stream primed with the last 32 KB before it and ended on a full flush, so the bands
// joined in order, after the zlib header and before an empty last block and the Adler-32 of all
// the bytes, are one standard stream that any inflater reads, the same whatever the threads.
class BandDeflate {
  public:
    // Compressed bytes, in stream order, on the thread that adds bands or finishes.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    // zlib's `level` (1..9); `threads` compressing threads (0: every core; 1: none, the caller
    // compresses).
    BandDeflate(int level, int threads, Sink sink);
    ~BandDeflate();
    BandDeflate(const BandDeflate&) = delete;
    BandDeflate& operator=(const BandDeflate&) = delete;

    // A buffer for the next band, one a band handed in before has finished with where there is
    // one, so that bands cost no fresh memory.
    std::vector<std::uint8_t> buffer();
    // The next band of the stream's bytes. Waits while every thread has a band waiting besides
    // the one it works on. A failure (no memory) is thrown here or by finish().
    void add(std::vector<std::uint8_t> band);
    // After the last band: the stream's end.
    void finish();

  private:
    struct Band {
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> before;  // deflate's window: the bytes just before the band
        std::vector<std::uint8_t> compressed;
        std::uint32_t adler = 1;
    };
    struct Compressor;
    void work();
    void put(Band& band);
    void writeDone(bool all);
    void check();

    int level_;
    Sink sink_;
    std::vector<std::uint8_t> last_;  // the last 32 KB handed in
    bool started_ = false;
    std::uint32_t adler_ = 1;
    std::unique_ptr<Compressor> own_;  // with no thread of its own

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::size_t, Band>> waiting_;
    std::map<std::size_t, Band> done_;
    std::vector<std::vector<std::uint8_t>> spare_;
    std::size_t added_ = 0, written_ = 0;
    std::size_t threads_ = 0;
    bool ending_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

}  // namespace carbonel
