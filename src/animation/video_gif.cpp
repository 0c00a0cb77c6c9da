#include <algorithm>
#include <cmath>
#include <variant>

#include "animation/animation_export.h"
#include "animation/gif_writer.h"
#include "animation/video_outputs.h"
#include "animation/web_palette.h"

namespace carbonel {

namespace {

// A sketch video as a GIF, written to the file a few frames at a time. Every frame covers the
// whole screen, opaque, so each is shown whole, never drawn over the one before.
class VideoGif : public VideoSink {
  public:
    VideoGif(std::FILE* out, int width, int height, Ratio timeBase, int threads)
        : out_(out), width_(width), height_(height), timeBase_(timeBase), threads_(threads) {}

    void addFrame(const Raster& sketch, std::int64_t time, std::int64_t duration) override {
        std::vector<std::uint8_t> indices(std::size_t(width_) * std::size_t(height_));
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* pixel = sketch.rowUnchecked(y);
            std::uint8_t* index = indices.data() + std::size_t(y) * std::size_t(width_);
            for (int x = 0; x < width_; ++x, pixel += 3)
                index[x] = static_cast<std::uint8_t>(webColorLookup(pixel[2], pixel[1], pixel[0]));
        }
        const int frame = addIndexedFrame(
            batch_, IndexedPicture{width_, height_, std::move(indices), WebPalette()}, false);
        // Only the file's first frame carries the loop extension.
        auto& extensions = batch_.frame(frame).extensions;
        if (!first_ || frame > 0)
            extensions.erase(
                std::remove_if(extensions.begin(), extensions.end(),
                               [](const GifExtension& extension) {
                                   return std::holds_alternative<GifLoopExtension>(extension);
                               }),
                extensions.end());
        // Each delay is what brings the time shown so far to the frame's end, so the rounding of
        // one frame is made up by the next.
        const std::int64_t end = hundredths(time + duration);
        const std::int64_t delay = std::clamp<std::int64_t>(end - shown_, 1, 65535);
        shown_ += delay;
        std::get<GifGraphicControl>(extensions.back()).delay = static_cast<std::uint16_t>(delay);
        if (static_cast<int>(batch_.frames().size()) == kFramesAtOnce) writeBatch();
    }
    void finish() override {
        if (!batch_.frames().empty()) writeBatch();
        std::fputc(kGifTrailer, out_);
    }

  private:
    // Frames are coded together, in parallel, this many at a time.
    static constexpr int kFramesAtOnce = 4;

    std::int64_t hundredths(std::int64_t time) const {
        return std::llround(static_cast<long double>(time) * timeBase_.num * 100 / timeBase_.den);
    }
    void writeBatch() {
        bytes_.clear();
        if (first_) writeGifHeader(batch_, bytes_);
        writeGifFrames(batch_, bytes_, threads_);
        // A failed write sets the stream's error flag, which its owner reports.
        std::fwrite(bytes_.data(), 1, bytes_.size(), out_);
        first_ = false;
        batch_ = GifDocument();
    }

    std::FILE* out_;
    int width_, height_;
    Ratio timeBase_;
    int threads_;
    bool first_ = true;
    std::int64_t shown_ = 0;  // hundredths of a second shown so far
    GifDocument batch_;
    std::string bytes_;
};

}  // namespace

std::unique_ptr<VideoSink> openVideoGif(std::FILE* out, int width, int height, Ratio timeBase,
                                        int threads) {
    return std::make_unique<VideoGif>(out, width, height, timeBase, threads);
}

}  // namespace carbonel
