#include "animation/animation_export.h"

#include <algorithm>
#include <cstring>
#include <variant>
#include <vector>

#include "animation/gif_writer.h"
#include "imageio/atomic_file.h"
#include "sketch/error.h"

namespace carbonel {

int addGifFrame(GifDocument& document, const Raster& picture, bool transparent) {
    const int index = document.importPicture(picture);
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

void drawFrameSkippingWhite(Raster& composition, const Raster& frame) {
    if (composition.isEmpty() || frame.isEmpty()) return;
    const int width = composition.width();
    const int height = composition.height();
    // Each composition pixel takes the frame pixel under its centre.
    std::vector<int> sourceColumn(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * frame.width() / (2LL * width));
    }
    composition.detach();
#pragma omp parallel for schedule(static) if (static_cast <long long>(width) * height >= 1 << 18)
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * frame.height() / (2LL * height));
        const std::uint8_t* in = frame.rowUnchecked(sy);
        std::uint8_t* out = composition.mutableRowUnchecked(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = in + 3 * sourceColumn[static_cast<std::size_t>(x)];
            if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) continue;
            std::memcpy(out + 3 * x, pixel, 3);
        }
    }
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

void writeAnimation(const FrameList& frames, int width, int height,
                    const std::function<void(const std::string& bytes)>& write, int threads,
                    const AnimationTiming& timing) {
    checkAnimation(frames, width, height);
    // The file is written a few frames at a time, as they are composed, so memory holds those
    // frames only, however long the animation. Every frame has the same size and the same web
    // palette, so the header the first frames give is the whole animation's.
    constexpr int kFramesAtOnce = 4;
    Raster composition(width, height);
    std::string bytes;
    for (int first = 0; first < frames.count; first += kFramesAtOnce) {
        GifDocument some;
        for (int i = first; i < std::min(frames.count, first + kFramesAtOnce); ++i) {
            drawFrameSkippingWhite(composition, frames.frame(i));
            addGifFrame(some, composition, true);
        }
        applyTiming(some, timing, first == 0);
        bytes.clear();
        if (first == 0) writeGifHeader(some, bytes);
        writeGifFrames(some, bytes, threads);
        write(bytes);
    }
    write(std::string(1, static_cast<char>(kGifTrailer)));
}

void exportAnimation(const FrameList& frames, int width, int height, const std::string& path,
                     int threads, const AnimationTiming& timing) {
    checkAnimation(frames, width, height);
    AtomicFile file(path);
    writeAnimation(
        frames, width, height,
        [&](const std::string& bytes) { file.write(bytes.data(), bytes.size()); }, threads, timing);
    file.commit();
}

}  // namespace carbonel
