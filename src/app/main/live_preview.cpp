#include "app/main/live_preview.h"

#include <QMetaObject>
#include <exception>

namespace carbonel {

LivePreview::LivePreview(QObject* parent) : QObject(parent), worker_([this] { work(); }) {}

LivePreview::~LivePreview() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
    }
    wake_.notify_one();
    worker_.join();
}

void LivePreview::request(Raster photo, ConversionOptions options, std::optional<Raster> paper) {
    {
        const std::lock_guard lock(mutex_);
        waiting_ = Job{++newest_, std::move(photo), options, std::move(paper)};
    }
    wake_.notify_one();
}

void LivePreview::cancel() {
    const std::lock_guard lock(mutex_);
    waiting_.reset();
    ++newest_;
}

bool LivePreview::busy() const {
    const std::lock_guard lock(mutex_);
    return running_ || waiting_;
}

void LivePreview::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waiting_; });
        if (stopping_) return;
        Job job = std::move(*waiting_);
        waiting_.reset();
        running_ = true;
        lock.unlock();
        job.options.texture = job.paper ? &*job.paper : nullptr;
        Raster sketch;
        QString failure;
        try {
            sketch = convertPhoto(job.photo, job.options);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        lock.lock();
        running_ = false;
        if (job.number != newest_) continue;  // a newer setting came meanwhile
        if (!failure.isEmpty()) {
            QMetaObject::invokeMethod(
                this,
                [this, number = job.number, failure] {
                    if (number == newest_) emit failed(failure);
                },
                Qt::QueuedConnection);
            continue;
        }
        QMetaObject::invokeMethod(
            this,
            [this, number = job.number, photo = std::move(job.photo),
             sketch = std::move(sketch)]() mutable {
                deliver(number, std::move(photo), std::move(sketch));
            },
            Qt::QueuedConnection);
    }
}

void LivePreview::deliver(std::uint64_t number, Raster photo, Raster sketch) {
    // A request or a cancel made after this result was posted outranks it.
    if (number == newest_) emit ready(std::move(photo), std::move(sketch));
}

}  // namespace carbonel
