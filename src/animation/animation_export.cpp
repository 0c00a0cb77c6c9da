#include "animation/animation_export.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <variant>
#include <vector>

#include "animation/gif_writer.h"
#include "animation/video_writers.h"
#include "animation/web_palette.h"
#include "sketch/error.h"

namespace carbonel {

namespace {

// Gives the frame at `index` its extensions.
int describeFrame(GifDocument& document, int index, bool transparent) {
    GifFrame& frame = document.frame(index);
    if (index == 0) frame.extensions.emplace_back(GifLoopExtension{});
    GifGraphicControl control;
    control.delay = kFrameDelay;
    if (transparent) {
        control.flags |= GifGraphicControl::kTransparentFlag;
        control.transparentIndex =
            static_cast<std::uint8_t>(frame.colorIndexAt(0, frame.height - 1));
    }
    frame.extensions.emplace_back(control);
    return index;
}

// Each composition column's frame column: the one under its centre.
std::vector<int> sourceColumns(int width, int frameWidth) {
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        columns[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * frameWidth / (2LL * width));
    }
    return columns;
}

// The frame row under the centre of composition row y.
int sourceRow(int y, int height, int frameHeight) {
    return static_cast<int>((2LL * y + 1) * frameHeight / (2LL * height));
}

// Hands `draw` each composition row with the frame row under its centre, as the frame's rows
// arrive: rows are repeated or dropped, as drawFrameSkippingWhite does.
template <typename Draw>
void forEachScaledRow(int height, PhotoReader& frame, Draw draw) {
    const int frameHeight = frame.height();
    int y = 0;
    frame.readRows([&](int frameRow, const std::uint8_t* row) {
        for (; y < height && sourceRow(y, height, frameHeight) == frameRow; ++y) draw(y, row);
    });
}

}  // namespace

int addGifFrame(GifDocument& document, const Raster& picture, bool transparent) {
    return describeFrame(document, document.importPicture(picture), transparent);
}

int addIndexedFrame(GifDocument& document, IndexedPicture picture, bool transparent) {
    return describeFrame(document, document.importIndexed(std::move(picture)), transparent);
}

void drawFrameSkippingWhite(Raster& composition, const Raster& frame) {
    if (composition.isEmpty() || frame.isEmpty()) return;
    const int width = composition.width();
    const int height = composition.height();
    // Each composition pixel takes the frame pixel under its centre.
    const std::vector<int> sourceColumn = sourceColumns(width, frame.width());
    composition.detach();
#pragma omp parallel for schedule(static) if (static_cast <long long>(width) * height >= 1 << 18)
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = frame.rowUnchecked(sourceRow(y, height, frame.height()));
        std::uint8_t* out = composition.mutableRowUnchecked(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = in + 3 * sourceColumn[static_cast<std::size_t>(x)];
            if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) continue;
            std::memcpy(out + 3 * x, pixel, 3);
        }
    }
}

void drawFrameIndices(std::vector<std::uint8_t>& composition, int width, int height,
                      PhotoReader& frame) {
    if (frame.width() <= 0 || frame.height() <= 0) return;
    const std::vector<int> columns = sourceColumns(width, frame.width());
    forEachScaledRow(height, frame, [&](int y, const std::uint8_t* row) {
        reduceRowSkippingWhite(row, columns.data(), width,
                               composition.data() + static_cast<std::size_t>(y) * width);
    });
}

PixelBox drawFrameRows(Raster& composition, PhotoReader& frame,
                       std::vector<std::uint8_t>* changedPixels) {
    if (composition.isEmpty() || frame.width() <= 0 || frame.height() <= 0) return {};
    const int width = composition.width();
    const std::vector<int> columns = sourceColumns(width, frame.width());
    composition.detach();
    if (changedPixels)
        changedPixels->resize(std::size_t(width) * std::size_t(composition.height()));
    PixelBox changed{width, composition.height(), 0, 0};
    forEachScaledRow(composition.height(), frame, [&](int y, const std::uint8_t* row) {
        std::uint8_t* out = composition.mutableRowUnchecked(y);
        std::uint8_t* flags =
            changedPixels ? changedPixels->data() + std::size_t(y) * std::size_t(width) : nullptr;
        if (flags) std::memset(flags, 0, std::size_t(width));
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = row + 3 * columns[static_cast<std::size_t>(x)];
            if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) continue;
            if (std::memcmp(out + 3 * x, pixel, 3) == 0) continue;
            std::memcpy(out + 3 * x, pixel, 3);
            if (flags) flags[x] = 1;
            changed.left = std::min(changed.left, x);
            changed.right = std::max(changed.right, x + 1);
            changed.top = std::min(changed.top, y);
            changed.bottom = y + 1;
        }
    });
    return changed.isEmpty() ? PixelBox{} : changed;
}

// What writing the animation would fail on, found before any file is made: without frames no
// version can be chosen, and an empty frame has no bottom-left pixel.
void checkAnimation(const FrameList& frames, int width, int height) {
    if (frames.count <= 0) throw Error("Unsupported GIF version");
    if (width <= 0 || height <= 0) throw Error("Invalid pixel coordinates");
}

namespace {

// Gives the frames the timing asked for: each its delay, and the animation's first its loop. A
// GIF's loop count is how often it plays again, so playing once is having no loop at all.
void applyTiming(GifDocument& frames, const AnimationTiming& timing, bool first) {
    const auto delay = static_cast<std::uint16_t>(std::min(65535, (timing.delayMs + 5) / 10));
    for (int i = 0; i < static_cast<int>(frames.frames().size()); ++i) {
        auto& extensions = frames.frame(i).extensions;
        std::get<GifGraphicControl>(extensions.back()).delay = delay;
        if (i > 0) continue;
        if (!first || timing.loops == 1) {
            extensions.erase(extensions.begin());  // only the animation's very first frame loops
        } else {
            std::get<GifLoopExtension>(extensions.front()).loopCount =
                static_cast<std::uint16_t>(timing.loops == 0 ? 0 : timing.loops - 1);
        }
    }
}

}  // namespace

GifDocument buildAnimation(const FrameList& frames, int width, int height) {
    checkAnimation(frames, width, height);
    GifDocument document;
    Raster composition(width, height);
    for (int i = 0; i < frames.count; ++i) {
        drawFrameSkippingWhite(composition, frames.frame(i));
        addGifFrame(document, composition, true);
    }
    return document;
}

namespace {

// A GIF written a few frames at a time, as they are composed, so memory holds those frames only,
// however long the animation: at most four, and one only when a frame's colour indices pass 64
// MiB. Every frame has the same size and the same web palette, so the header the first frames give
// is the whole animation's.
class GifAnimation : public AnimationWriter {
  public:
    GifAnimation(std::FILE* out, int width, int height, const AnimationTiming& timing, int threads)
        : out_(out),
          width_(width),
          height_(height),
          timing_(timing),
          threads_(threads),
          framesAtOnce_(static_cast<int>(std::clamp<std::size_t>(
              (std::size_t{64} << 20) / (std::size_t(width) * std::size_t(height)), 1, 4))) {}
    bool takesWebIndices() const override { return true; }
    void addFrame(const Raster&, const PixelBox&, const std::vector<std::uint8_t>&) override {
        throw std::logic_error("a GIF takes its frames as colour indices");
    }
    void addIndexedFrame(std::vector<std::uint8_t>& composition) override {
        // The batch's last frame takes the composition itself, given back once written.
        const bool last = static_cast<int>(batch_.frames().size()) + 1 == framesAtOnce_;
        carbonel::addIndexedFrame(
            batch_,
            IndexedPicture{width_, height_, last ? std::move(composition) : composition,
                           WebPalette()},
            true);
        if (!last) return;
        writeBatch();
        composition = std::move(batch_.frame(framesAtOnce_ - 1).pixels);
        batch_ = GifDocument();
    }
    void finish() override {
        if (!batch_.frames().empty()) writeBatch();
        batch_ = GifDocument();
        std::fputc(kGifTrailer, out_);
    }

  private:
    void writeBatch() {
        applyTiming(batch_, timing_, first_);
        bytes_.clear();
        if (first_) writeGifHeader(batch_, bytes_);
        writeGifFrames(batch_, bytes_, threads_);
        // A failed write sets the stream's error flag, which its owner reports.
        std::fwrite(bytes_.data(), 1, bytes_.size(), out_);
        first_ = false;
    }

    std::FILE* out_;
    int width_, height_;
    AnimationTiming timing_;
    int threads_;
    int framesAtOnce_;
    bool first_ = true;
    GifDocument batch_;  // the frames not yet written
    std::string bytes_;  // the batch's bytes
};

}  // namespace

std::unique_ptr<AnimationWriter> openGifWriter(std::FILE* out, int width, int height,
                                               const AnimationTiming& timing, int threads) {
    return std::make_unique<GifAnimation>(out, width, height, timing, threads);
}

void exportAnimation(const FrameList& frames, int width, int height, const std::string& path,
                     int threads, const AnimationTiming& timing) {
    exportAnimationFile(frames, width, height, AnimationFormat::Gif, path, timing, threads);
}

}  // namespace carbonel
