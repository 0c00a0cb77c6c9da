#include "animation/video_sketch.h"

#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "animation/frame_queue.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {

namespace {

// A decoded picture and how often, and when, it is shown.
struct PhotoItem {
    Raster photo;
    std::vector<ShownFrame> shown;
};

struct SketchItem {
    Raster sketch;
    ShownFrame shown;
};

// Two frames waiting between stages are enough to keep each stage busy while the next works.
constexpr std::size_t kQueued = 2;

// The length of a frame the container gives none for: one frame at the average rate.
std::int64_t usualDuration(const VideoSourceInfo& info) {
    if (!info.frameRate.isValid() || !info.timeBase.isValid()) return 1;
    const std::int64_t ticks =
        info.timeBase.den * info.frameRate.den / (info.timeBase.num * info.frameRate.num);
    return ticks > 0 ? ticks : 1;
}

}  // namespace

std::int64_t sketchVideo(VideoSource& source, FrameTimeline& timeline,
                         const ConversionOptions& options, VideoSink& sink, const VideoNames& names,
                         const std::atomic<int>* stop,
                         const std::function<void(std::int64_t written)>& progress) {
    FrameQueue<PhotoItem> photos(kQueued);
    FrameQueue<SketchItem> sketches(kQueued);
    std::mutex failing;
    std::exception_ptr failure;
    auto fail = [&] {
        {
            std::lock_guard lock(failing);
            if (!failure) failure = std::current_exception();
        }
        photos.cancel();
        sketches.cancel();
    };
    // Each failure names the file it is about.
    auto about = [](const std::string& name, const auto& step) {
        try {
            return step();
        } catch (const Error& error) {
            throw Error(aboutFile(name, error.what()));
        }
    };
    auto checkStop = [&] {
        if (stop && stop->load() != 0) throw Error("interrupted");
    };
    std::int64_t decoded = 0, written = 0;

    std::thread decoder([&] {
        try {
            DecodedFrame frame;
            Raster previous;
            std::int64_t previousDuration = 0;
            while (!timeline.ended() && about(names.input, [&] { return source.next(frame); })) {
                checkStop();
                ++decoded;
                std::vector<ShownFrame> shown = timeline.next(frame.time);
                if (!shown.empty() && !photos.push({std::move(previous), std::move(shown)})) return;
                previous = std::move(frame.picture);
                previousDuration = frame.duration;
            }
            if (!previous.isEmpty()) {
                std::vector<ShownFrame> shown = timeline.finish(
                    previousDuration > 0 ? previousDuration : usualDuration(source.info()));
                if (!shown.empty() && !photos.push({std::move(previous), std::move(shown)})) return;
            }
            photos.close();
        } catch (...) {
            fail();
        }
    });
    std::thread encoder([&] {
        try {
            while (std::optional<SketchItem> item = sketches.pop()) {
                checkStop();
                about(names.output,
                      [&] { sink.addFrame(item->sketch, item->shown.time, item->shown.duration); });
                ++written;
                if (progress) progress(written);
            }
        } catch (...) {
            fail();
        }
    });
    try {
        while (std::optional<PhotoItem> item = photos.pop()) {
            checkStop();
            const Raster sketch = convertPhoto(item->photo, options);
            item->photo = Raster();  // its memory back before the next one comes
            for (const ShownFrame& shown : item->shown) {
                // A frame shown at several ticks shares one sketch.
                if (!sketches.push({sketch, shown})) break;
            }
        }
        sketches.close();
    } catch (...) {
        fail();
    }
    decoder.join();
    encoder.join();
    if (failure) std::rethrow_exception(failure);
    checkStop();
    if (decoded == 0) throw Error(aboutFile(names.input, "no frame of its video can be decoded"));
    if (written == 0)
        throw Error(aboutFile(names.input, "no frame of its video lies in the part asked for"));
    about(names.output, [&] { sink.finish(); });
    return written;
}

}  // namespace carbonel
