#include "animation/video_writers.h"

#include <sys/types.h>
#include <webp/encode.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/modules.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

void writeAll(std::FILE* out, const void* data, std::size_t size) {
    // A failed write sets the stream's error flag, which the file's commit reports.
    std::fwrite(data, 1, size, out);
}

void putLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The longest a WebP frame shows: its duration has 24 bits.
constexpr int kMaxDuration = (1 << 24) - 1;
// The largest RIFF file: its size field has 32 bits, and counts all but the first 8 bytes.
constexpr std::uint64_t kMaxRiffSize = 0xFFFFFFFFull - 1;

// An animated WebP, lossless, white where nothing is drawn, written to the file as its frames
// come: each frame is the box of what changed from the one before, its unchanged pixels
// transparent and blended over the canvas, encoded on its own and appended as an ANMF chunk, so
// memory holds one frame's encoding, however long the animation. The last frame waits until the
// next one is known, so that an unchanged frame lengthens it instead of adding a frame. The RIFF
// size and whether any frame is transparent are written last, over the header.
class WebpAnimation : public AnimationWriter {
  public:
    WebpAnimation(std::FILE* out, int width, int height, const AnimationTiming& timing)
        : out_(out), width_(width), height_(height), timing_(timing) {
        if (!WebPConfigInit(&config_) || !WebPPictureInit(&picture_))
            throw Error("WebP error: the library does not match its header");
        config_.lossless = 1;
        config_.method = 0;  // the fastest: sketch frames differ from the last in a stroke only
        config_.quality = 25;
        picture_.use_argb = 1;
        std::string header = "RIFF";
        putLittleEndian(header, 0, 4);  // the size, once known
        header += "WEBPVP8X";
        putLittleEndian(header, 10, 4);
        putLittleEndian(header, kAnimationFlag, 4);
        putLittleEndian(header, static_cast<std::uint32_t>(width - 1), 3);
        putLittleEndian(header, static_cast<std::uint32_t>(height - 1), 3);
        header += "ANIM";
        putLittleEndian(header, 6, 4);
        putLittleEndian(header, 0xFFFFFFFF, 4);  // white paper, for viewers that show it
        putLittleEndian(header, static_cast<std::uint32_t>(timing.loops), 2);
        start_ = ::ftello(out);
        append(header);
    }
    ~WebpAnimation() override { WebPPictureFree(&picture_); }
    void addFrame(const Raster& frame, const PixelBox& changed,
                  const std::vector<std::uint8_t>& changedPixels) override {
        if (!pending_.empty() && changed.isEmpty() &&
            pendingDuration_ <= kMaxDuration - timing_.delayMs) {
            pendingDuration_ += timing_.delayMs;
            return;
        }
        // The first frame covers the canvas: decoders start from transparent, not the paper. An
        // unchanged frame too long for the one before gets a pixel of its own.
        PixelBox box = changed;
        const bool opaque = pending_.empty() || box.isEmpty();
        if (pending_.empty()) box = {0, 0, width_, height_};
        if (box.isEmpty()) box = {0, 0, 1, 1};
        box.left &= ~1;  // a frame's offsets are stored halved
        box.top &= ~1;
        flushPending();
        encode(frame, box, opaque ? nullptr : changedPixels.data());
        pendingDuration_ = timing_.delayMs;
    }
    void finish() override {
        flushPending();
        std::string size;
        putLittleEndian(size, static_cast<std::uint32_t>(written_ - 8), 4);
        const char flags = static_cast<char>(kAnimationFlag | (transparent_ ? kAlphaFlag : 0));
        // The stream's own writes report their failure at the file's commit; seeking does here.
        if (std::fflush(out_) != 0 || ::fseeko(out_, start_ + 4, SEEK_SET) != 0 ||
            std::fwrite(size.data(), 1, size.size(), out_) != size.size() ||
            ::fseeko(out_, start_ + kFlagsAt, SEEK_SET) != 0 ||
            std::fwrite(&flags, 1, 1, out_) != 1 || ::fseeko(out_, 0, SEEK_END) != 0)
            throw Error(std::string("WebP error: cannot complete the header: ") +
                        std::strerror(errno));
    }

  private:
    void append(const std::string& bytes) {
        written_ += bytes.size();
        if (written_ - 8 > kMaxRiffSize)
            throw Error("WebP error: the animation passes 4 GiB, the most a WebP file holds");
        writeAll(out_, bytes.data(), bytes.size());
    }

    // Encodes the box of the frame as the pending ANMF chunk, its duration still open: opaque, or
    // with `changed` (a flag a canvas pixel), transparent where the pixel is unchanged.
    void encode(const Raster& frame, const PixelBox& box, const std::uint8_t* changed) {
        picture_.width = box.right - box.left;
        picture_.height = box.bottom - box.top;
        WebPMemoryWriter memory;
        WebPMemoryWriterInit(&memory);
        picture_.writer = WebPMemoryWrite;
        picture_.custom_ptr = &memory;
        bool encoded = WebPPictureAlloc(&picture_);
        for (int y = 0; encoded && y < picture_.height; ++y) {
            const std::uint8_t* in = frame.rowUnchecked(box.top + y) + 3 * box.left;
            const std::uint8_t* flags =
                changed ? changed + std::size_t(box.top + y) * std::size_t(width_) + box.left
                        : nullptr;
            std::uint32_t* out = picture_.argb + std::size_t(y) * std::size_t(picture_.argb_stride);
            for (int x = 0; x < picture_.width; ++x, in += 3) {
                out[x] = flags && !flags[x] ? 0u
                                            : 0xFF000000u | std::uint32_t(in[2]) << 16 |
                                                  std::uint32_t(in[1]) << 8 | in[0];
            }
        }
        encoded = encoded && WebPEncode(&config_, &picture_);
        // Past the encoder's RIFF header, its chunks (VP8L, or ALPH and VP8) are the frame's data.
        constexpr std::size_t kRiffHeader = 12;
        std::string chunks;
        if (encoded && memory.size > kRiffHeader)
            chunks.assign(reinterpret_cast<const char*>(memory.mem) + kRiffHeader,
                          memory.size - kRiffHeader);
        WebPMemoryWriterClear(&memory);
        const WebPEncodingError error = picture_.error_code;
        WebPPictureFree(&picture_);  // the box's pixels are not needed until the next frame
        if (chunks.empty()) throw Error("WebP error: cannot encode a frame: " + errorName(error));
        pending_ = "ANMF";
        putLittleEndian(pending_, static_cast<std::uint32_t>(16 + chunks.size()), 4);
        putLittleEndian(pending_, static_cast<std::uint32_t>(box.left / 2), 3);
        putLittleEndian(pending_, static_cast<std::uint32_t>(box.top / 2), 3);
        putLittleEndian(pending_, static_cast<std::uint32_t>(picture_.width - 1), 3);
        putLittleEndian(pending_, static_cast<std::uint32_t>(picture_.height - 1), 3);
        durationAt_ = pending_.size();
        putLittleEndian(pending_, 0, 3);
        // Opaque, it replaces what it covers; else it is blended over it. Disposed of never.
        pending_.push_back(changed ? 0x00 : 0x02);
        transparent_ = transparent_ || changed;
        pending_ += chunks;
    }

    void flushPending() {
        if (pending_.empty()) return;
        for (int i = 0; i < 3; ++i)
            pending_[durationAt_ + std::size_t(i)] =
                static_cast<char>((pendingDuration_ >> (8 * i)) & 0xFF);
        append(pending_);
        pending_.clear();
    }

    static std::string errorName(WebPEncodingError error) {
        if (error == VP8_ENC_ERROR_OUT_OF_MEMORY || error == VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY)
            return "out of memory";
        return "WebPEncodingError: " + std::to_string(static_cast<int>(error));
    }

    static constexpr char kAnimationFlag = 0x02, kAlphaFlag = 0x10;
    static constexpr off_t kFlagsAt = 20;  // in VP8X, after the RIFF header and the chunk's own

    std::FILE* out_;
    int width_, height_;
    AnimationTiming timing_;
    bool transparent_ = false;
    WebPConfig config_{};
    WebPPicture picture_{};  // the frame's box while it is encoded
    off_t start_ = 0;
    std::uint64_t written_ = 0;
    std::string pending_;  // the last frame's ANMF chunk, to be written once its duration is known
    std::size_t durationAt_ = 0;
    int pendingDuration_ = 0;
};

// The MP4 writer, from its module.
std::unique_ptr<AnimationWriter> openMp4Writer(std::FILE* out, int width, int height,
                                               const AnimationTiming& timing) {
    const auto open = moduleEntry("video", "MP4", &CarbonelModule::openAnimationWriter);
    return std::unique_ptr<AnimationWriter>(open(out, width, height, &timing));
}

}  // namespace

std::unique_ptr<AnimationWriter> openAnimationWriter(AnimationFormat format, std::FILE* out,
                                                     int width, int height,
                                                     const AnimationTiming& timing, int threads) {
    switch (format) {
        case AnimationFormat::Gif:
            return openGifWriter(out, width, height, timing, threads);
        case AnimationFormat::Webp:
            return std::make_unique<WebpAnimation>(out, width, height, timing);
        case AnimationFormat::Mp4:
            return openMp4Writer(out, width, height, timing);
    }
    return nullptr;
}

}  // namespace carbonel
