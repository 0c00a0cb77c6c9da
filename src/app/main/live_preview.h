#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "sketch/convert.h"
#include "sketch/raster.h"

namespace carbonel {

// Sketches the photo again while the settings move, on a thread of its own so the window keeps
// following the pointer. Only the newest request counts: one made while a conversion runs waits
// for it and replaces any older one still waiting, and a result that is no longer the newest is
// dropped, so an older setting never shows after a newer one.
class LivePreview : public QObject {
    Q_OBJECT

  public:
    explicit LivePreview(QObject* parent = nullptr);
    ~LivePreview() override;  // waits for a conversion under way

    // Converts `photo` with `options`, laid on `paper` when there is one (the copies share the
    // caller's pixels, which the caller replaces rather than writes while they are shared).
    void request(Raster photo, ConversionOptions options, std::optional<Raster> paper);
    // Nothing asked for so far is shown.
    void cancel();
    // Whether a conversion is waiting or under way.
    bool busy() const;

  signals:
    // The newest request's sketch, on the window's thread.
    void ready(carbonel::Raster photo, carbonel::Raster sketch);
    void failed(QString message);

  private:
    struct Job {
        std::uint64_t number = 0;
        Raster photo;
        ConversionOptions options;
        std::optional<Raster> paper;
    };
    void work();
    void deliver(std::uint64_t number, Raster photo, Raster sketch);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> waiting_;
    bool running_ = false;
    bool stopping_ = false;
    std::atomic<std::uint64_t> newest_{0};
    std::thread worker_;
};

}  // namespace carbonel
