#include "animation/video_sketch.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "animation/frame_queue.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {

namespace {

// A decoded picture, its place in the video, and how often, and when, it is shown.
struct PhotoItem {
    std::int64_t order = 0;
    Raster photo;
    std::vector<ShownFrame> shown;
};

struct SketchItem {
    Raster sketch;
    ShownFrame shown;
};

// A frame waiting between stages is enough to keep each stage busy while the next works; more
// would only hold more memory.
constexpr std::size_t kQueued = 1;

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
    // The sketchers hand their sketches on in the video's order, each waiting for its turn.
    std::mutex turning;
    std::condition_variable turned;
    std::int64_t turn = 0;
    bool stopping = false;  // under `turning`
    std::mutex failing;
    std::exception_ptr failure;
    auto fail = [&] {
        {
            std::lock_guard lock(failing);
            if (!failure) failure = std::current_exception();
        }
        {
            std::lock_guard lock(turning);
            stopping = true;
            turned.notify_all();
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

    auto decode = [&] {
        try {
            DecodedFrame frame;
            Raster previous;
            std::int64_t previousDuration = 0, order = 0;
            auto hand = [&](std::vector<ShownFrame> shown) {
                return shown.empty() ||
                       photos.push({order++, std::move(previous), std::move(shown)});
            };
            while (!timeline.ended() && about(names.input, [&] { return source.next(frame); })) {
                checkStop();
                ++decoded;
                if (!hand(timeline.next(frame.time))) return;
                previous = std::move(frame.picture);
                previousDuration = frame.duration;
            }
            if (!previous.isEmpty() &&
                !hand(timeline.finish(previousDuration > 0 ? previousDuration
                                                           : usualDuration(source.info()))))
                return;
            photos.close();
        } catch (...) {
            fail();
        }
    };
    std::thread decoder;
    try {
        decoder = std::thread(decode);
    } catch (const std::system_error& refused) {
        throw Error(std::string("no thread could be started to decode the video: ") +
                    refused.what());
    }
    // Whole frames are sketched side by side, each on one thread: between frames an idle thread
    // then waits without spinning, leaving its core to the decoder and the encoder.
    ConversionOptions oneThread = options;
    oneThread.threads = 1;
    const int sketcherCount = std::max(1, conversionThreads(options.threads));
    std::atomic<int> sketching{sketcherCount};
    auto sketchFrames = [&] {
        try {
            while (std::optional<PhotoItem> item = photos.pop()) {
                checkStop();
                const Raster sketch = convertPhoto(item->photo, oneThread);
                item->photo = Raster();  // its memory back before the next one comes
                {
                    std::unique_lock lock(turning);
                    turned.wait(lock, [&] { return stopping || turn == item->order; });
                    if (stopping) return;
                }
                for (const ShownFrame& shown : item->shown) {
                    // A frame shown at several ticks shares one sketch.
                    if (!sketches.push({sketch, shown})) return;
                }
                std::lock_guard lock(turning);
                ++turn;
                turned.notify_all();
            }
        } catch (...) {
            fail();
        }
        if (--sketching == 0) sketches.close();
    };
    std::vector<std::thread> sketchers;
    try {
        for (int i = 0; i < sketcherCount; ++i) sketchers.emplace_back(sketchFrames);
    } catch (const std::system_error& refused) {
        // The system refused a thread: those started do the work. With none, the run stops
        // with the reason, the decoder too.
        const int missing = sketcherCount - static_cast<int>(sketchers.size());
        if (sketchers.empty()) {
            try {
                throw Error(std::string("no thread could be started to sketch the frames: ") +
                            refused.what());
            } catch (const Error&) {
                fail();
            }
        } else if (sketching.fetch_sub(missing) == missing) {
            sketches.close();  // those started have all ended already
        }
    }
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
    decoder.join();
    for (std::thread& sketcher : sketchers) sketcher.join();
    if (failure) std::rethrow_exception(failure);
    checkStop();
    if (decoded == 0) throw Error(aboutFile(names.input, "no frame of its video can be decoded"));
    if (written == 0)
        throw Error(aboutFile(names.input, "no frame of its video lies in the part asked for"));
    about(names.output, [&] { sink.finish(); });
    return written;
}

}  // namespace carbonel
