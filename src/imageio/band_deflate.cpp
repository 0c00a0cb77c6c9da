#include "imageio/band_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <system_error>

#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr std::size_t kWindow = 32768;

}  // namespace

// One thread's deflater, kept from band to band: set up once, reset for each.
struct BandDeflate::Compressor {
    z_stream z{};
    explicit Compressor(int level) {
        // A raw stream (negative window bits): the bands carry no header of their own.
        if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~Compressor() { deflateEnd(&z); }

    void compress(Band& band) {
        deflateReset(&z);
        if (!band.before.empty())
            deflateSetDictionary(&z, band.before.data(), static_cast<uInt>(band.before.size()));
        // deflateBound does not count the flush's empty stored block: room is made while the
        // compressor fills what it has.
        std::vector<std::uint8_t>& out = band.compressed;
        out.resize(deflateBound(&z, static_cast<uLong>(band.bytes.size())) + 16);
        z.next_in = band.bytes.data();
        z.avail_in = static_cast<uInt>(band.bytes.size());
        std::size_t written = 0;
        do {
            if (written == out.size()) out.resize(out.size() * 2);
            z.next_out = out.data() + written;
            z.avail_out = static_cast<uInt>(out.size() - written);
            if (deflate(&z, Z_FULL_FLUSH) != Z_OK) throw Error("PNG error: the compressor failed");
            written = out.size() - z.avail_out;
        } while (z.avail_out == 0);
        out.resize(written);
        band.adler = static_cast<std::uint32_t>(
            adler32(1, band.bytes.data(), static_cast<uInt>(band.bytes.size())));
    }
};

BandDeflate::BandDeflate(int level, int threads, Sink sink)
    : level_(level), sink_(std::move(sink)) {
    if (threads <= 0) threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (threads == 1) {
        own_ = std::make_unique<Compressor>(level);
        return;
    }
    // Where the system refuses a thread (a process limit), the threads started do the work, or
    // the caller alone.
    try {
        for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
    threads_ = workers_.size();
    if (workers_.empty()) own_ = std::make_unique<Compressor>(level);
}

BandDeflate::~BandDeflate() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        changed_.notify_all();
    }
    for (std::thread& worker : workers_) worker.join();
}

void BandDeflate::work() {
    try {
        Compressor compressor(level_);
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
            if (waiting_.empty()) return;
            auto [index, band] = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            compressor.compress(band);
            lock.lock();
            done_.emplace(index, std::move(band));
            changed_.notify_all();
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        changed_.notify_all();
    }
}

std::vector<std::uint8_t> BandDeflate::buffer() {
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    std::vector<std::uint8_t> spare = std::move(spare_.back());
    spare_.pop_back();
    spare.clear();
    return spare;
}

void BandDeflate::put(Band& band) {
    if (!started_) {
        // The zlib header: deflate with a 32 KB window, the level's hint, and the check bits.
        const std::uint8_t cmf = 0x78;
        std::uint8_t flg = level_ < 2 ? 0x00 : level_ < 6 ? 0x40 : level_ == 6 ? 0x80 : 0xC0;
        flg = static_cast<std::uint8_t>(flg + 31 - (cmf * 256 + flg) % 31);
        const std::uint8_t header[2] = {cmf, flg};
        sink_(header);
        started_ = true;
    }
    adler_ = static_cast<std::uint32_t>(
        adler32_combine(adler_, band.adler, static_cast<z_off_t>(band.bytes.size())));
    if (!band.compressed.empty()) sink_(band.compressed);
}

void BandDeflate::check() {
    if (failure_) std::rethrow_exception(failure_);
}

// Writes the bands done, in order: all of them, or those ready now.
void BandDeflate::writeDone(bool all) {
    for (;;) {
        std::unique_lock lock(mutex_);
        if (all) changed_.wait(lock, [&] { return failure_ || done_.count(written_) != 0; });
        check();
        const auto next = done_.find(written_);
        if (next == done_.end()) return;
        Band band = std::move(next->second);
        done_.erase(next);
        lock.unlock();
        put(band);
        lock.lock();
        ++written_;
        if (spare_.size() < 2 * threads_ + 4) {
            spare_.push_back(std::move(band.bytes));
            spare_.push_back(std::move(band.compressed));
        }
        if (all && written_ == added_) return;
    }
}

void BandDeflate::add(std::vector<std::uint8_t> bytes) {
    Band band;
    band.before = last_;
    const std::size_t keep = std::min(kWindow, bytes.size());
    if (keep == kWindow) last_.clear();
    last_.insert(last_.end(), bytes.end() - std::ptrdiff_t(keep), bytes.end());
    if (last_.size() > kWindow) last_.erase(last_.begin(), last_.end() - std::ptrdiff_t(kWindow));
    band.bytes = std::move(bytes);
    band.compressed = buffer();
    if (own_) {
        own_->compress(band);
        put(band);
        return;
    }
    writeDone(false);
    std::unique_lock lock(mutex_);
    // Each thread may have one band waiting besides its own: enough to keep them busy, few
    // enough that memory holds a handful of bands.
    changed_.wait(lock, [&] { return failure_ || waiting_.size() < threads_; });
    check();
    waiting_.emplace_back(added_++, std::move(band));
    changed_.notify_all();
}

void BandDeflate::finish() {
    if (!own_ && written_ < added_) writeDone(true);
    if (!started_) {
        Band empty;
        put(empty);
    }
    // An empty last block (fixed codes, just its end), then the Adler-32 of every byte.
    const std::uint8_t end[6] = {0x03,
                                 0x00,
                                 static_cast<std::uint8_t>(adler_ >> 24),
                                 static_cast<std::uint8_t>(adler_ >> 16),
                                 static_cast<std::uint8_t>(adler_ >> 8),
                                 static_cast<std::uint8_t>(adler_)};
    sink_(end);
}

}  // namespace carbonel
