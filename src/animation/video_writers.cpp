#include "animation/video_writers.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <stdexcept>
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

// An animated WebP, lossless, white where nothing is drawn. The encoder keeps the canvas and the
// frames encoded so far (only what changed from the frame before), not the pictures.
class WebpAnimation : public AnimationWriter {
  public:
    WebpAnimation(std::FILE* out, int width, int height, const AnimationTiming& timing)
        : out_(out), width_(width), height_(height), timing_(timing) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_) ||
            !WebPPictureInit(&picture_))
            throw Error("WebP error: the library does not match its header");
        options.anim_params.loop_count = timing.loops;
        options.anim_params.bgcolor = 0xFFFFFFFF;
        encoder_ = WebPAnimEncoderNew(width, height, &options);
        if (!encoder_) throw Error("WebP error: cannot start the animation");
        config_.lossless = 1;
        config_.method = 0;  // the fastest: sketch frames differ from the last in a stroke only
        config_.quality = 25;
        picture_.width = width;
        picture_.height = height;
        picture_.use_argb = 1;
    }
    ~WebpAnimation() override {
        WebPPictureFree(&picture_);
        WebPAnimEncoderDelete(encoder_);
    }
    void addFrame(const Raster& frame) override {
        rgb_.resize(std::size_t(width_) * 3 * std::size_t(height_));
        for (int y = 0; y < height_; ++y)
            std::memcpy(&rgb_[std::size_t(y) * width_ * 3], frame.rowUnchecked(y),
                        std::size_t(width_) * 3);
        if (!WebPPictureImportBGR(&picture_, rgb_.data(), width_ * 3) ||
            !WebPAnimEncoderAdd(encoder_, &picture_, timestamp_, &config_))
            fail();
        timestamp_ += timing_.delayMs;
    }
    void finish() override {
        WebPData data;
        WebPDataInit(&data);
        if (!WebPAnimEncoderAdd(encoder_, nullptr, timestamp_, nullptr) ||
            !WebPAnimEncoderAssemble(encoder_, &data))
            fail();
        writeAll(out_, data.bytes, data.size);
        WebPDataClear(&data);
    }

  private:
    [[noreturn]] void fail() {
        const char* why = WebPAnimEncoderGetError(encoder_);
        throw Error(std::string("WebP error: ") + (why && *why ? why : "cannot encode a frame"));
    }

    std::FILE* out_;
    int width_, height_;
    AnimationTiming timing_;
    WebPAnimEncoder* encoder_ = nullptr;
    WebPConfig config_{};
    WebPPicture picture_{};
    std::vector<std::uint8_t> rgb_;  // one frame, for the encoder's import
    int timestamp_ = 0;
};

// The MP4 writer, from its module.
std::unique_ptr<AnimationWriter> openMp4Writer(std::FILE* out, int width, int height,
                                               const AnimationTiming& timing) {
    using Open = AnimationWriter* (*)(std::FILE*, int, int, const AnimationTiming*);
    const auto open = reinterpret_cast<Open>(moduleEntry("mp4", "carbonel_mp4_writer", "MP4"));
    return std::unique_ptr<AnimationWriter>(open(out, width, height, &timing));
}

}  // namespace

std::unique_ptr<AnimationWriter> openAnimationWriter(AnimationFormat format, std::FILE* out,
                                                     int width, int height,
                                                     const AnimationTiming& timing) {
    switch (format) {
        case AnimationFormat::Gif:
            throw std::logic_error("GIF animations are written by exportAnimation");
        case AnimationFormat::Webp:
            return std::make_unique<WebpAnimation>(out, width, height, timing);
        case AnimationFormat::Mp4:
            return openMp4Writer(out, width, height, timing);
    }
    return nullptr;
}

}  // namespace carbonel
