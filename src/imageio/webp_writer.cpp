// The WebP writer: a lossless WebP of the sketch, its pixels exactly those of the PNG. libwebp
// encodes a whole picture, so the rows are gathered first, as its ARGB picture, and encoded at the
// end straight into the output, in order.
#include <webp/encode.h>

#include <cstring>
#include <memory>
#include <string>

#include "imageio/sketch_writer.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

int writeOut(const std::uint8_t* data, std::size_t size, const WebPPicture* picture) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(picture->custom_ptr)) == size;
}

class WebpWriter : public SketchWriter {
  public:
    WebpWriter(std::FILE* out, const SketchFrame& frame) : out_(out) {
        if (!WebPConfigInit(&config_) || !WebPPictureInit(&picture_))
            throw Error("WebP error: the library does not match its header");
        if (frame.width > WEBP_MAX_DIMENSION || frame.height > WEBP_MAX_DIMENSION) {
            throw Error("a WebP is at most " + std::to_string(WEBP_MAX_DIMENSION) +
                        " pixels a side, not " + std::to_string(frame.width) + "x" +
                        std::to_string(frame.height));
        }
        config_.lossless = 1;
        config_.exact = 1;
        config_.method = 0;  // the fastest: a sketch is mostly paper
        config_.quality = 25;
        picture_.use_argb = 1;
        picture_.width = frame.width;
        picture_.height = frame.height;
    }
    ~WebpWriter() override { WebPPictureFree(&picture_); }

    void writeRow(int y, const std::uint8_t* row) override {
        if (!picture_.argb && !WebPPictureAlloc(&picture_))
            throw Error("WebP error: not enough memory for the picture");
        std::uint32_t* out = picture_.argb + std::size_t(y) * std::size_t(picture_.argb_stride);
        for (int x = 0; x < picture_.width; ++x, row += 3) {
            out[x] =
                0xFF000000u | std::uint32_t(row[2]) << 16 | std::uint32_t(row[1]) << 8 | row[0];
        }
    }

    void finish() override {
        if (!picture_.argb && !WebPPictureAlloc(&picture_))
            throw Error("WebP error: not enough memory for the picture");
        picture_.writer = writeOut;
        picture_.custom_ptr = out_;
        // A failed write sets the stream's error flag, which the file's commit reports.
        if (!WebPEncode(&config_, &picture_) && picture_.error_code != VP8_ENC_ERROR_BAD_WRITE) {
            throw Error("WebP error: cannot encode the sketch (WebPEncodingError: " +
                        std::to_string(static_cast<int>(picture_.error_code)) + ")");
        }
    }

  private:
    std::FILE* out_;
    WebPConfig config_{};
    WebPPicture picture_{};
};

}  // namespace

std::unique_ptr<SketchWriter> openWebpWriter(std::FILE* out, const SketchFrame& frame) {
    return std::make_unique<WebpWriter>(out, frame);
}

}  // namespace carbonel
