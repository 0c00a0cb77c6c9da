#include "imageio/webp_reader.h"

#include <sys/mman.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <vector>

#include "imageio/pixel_rows.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;
// The most decoded rows a lossy picture holds at once: a larger one is decoded in bands.
constexpr std::size_t kBandBytes = std::size_t{24} << 20;
// Rows decoded above and below a band and dropped: libwebp's upsampling treats a crop's first
// and last rows as the picture's edges.
constexpr int kBandMargin = 2;

const char* statusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY:
            return "not enough memory";
        case VP8_STATUS_INVALID_PARAM:
            return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "the picture's data is damaged";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "it uses a feature this reader does not know";
        case VP8_STATUS_NOT_ENOUGH_DATA:
        case VP8_STATUS_SUSPENDED:
            return "the file is cut off";
        default:
            return "the file is damaged";
    }
}

[[noreturn]] void fail(const char* why) {
    throw Error(std::string("Cannot read the WebP picture: ") + why);
}

// Address space for the decoded rows that takes memory only for the rows not yet handed on: the
// pages of rows already handed on are given back as the decoder goes.
class RowSpace {
  public:
    explicit RowSpace(std::size_t size) : size_(size) {
        data_ = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (data_ == MAP_FAILED) fail("not enough memory");
    }
    ~RowSpace() { ::munmap(data_, size_); }
    RowSpace(const RowSpace&) = delete;
    RowSpace& operator=(const RowSpace&) = delete;

    std::uint8_t* data() const { return static_cast<std::uint8_t*>(data_); }
    // Gives back the whole pages before `end`.
    void release(std::size_t end) {
        static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t upTo = end / page * page;
        if (upTo > released_) ::madvise(data() + released_, upTo - released_, MADV_DONTNEED);
        released_ = std::max(released_, upTo);
    }

  private:
    void* data_;
    std::size_t size_;
    std::size_t released_ = 0;
};

class WebpRows : public PhotoReader {
  public:
    explicit WebpRows(PhotoInput input) : input_(std::move(input)) {
        VP8StatusCode status = VP8_STATUS_NOT_ENOUGH_DATA;
        while (status == VP8_STATUS_NOT_ENOUGH_DATA && readMore())
            status = WebPGetFeatures(start_.data(), start_.size(), &features_);
        if (status != VP8_STATUS_OK) fail(statusText(status));
        checkPhotoSize(features_.width, features_.height);
        if (features_.has_animation) {
            checkHeldSize(features_.width, features_.height, "an animated WebP");
        } else if (features_.format != 1) {
            checkHeldSize(features_.width, features_.height, "a lossless WebP");
        } else if (features_.has_alpha) {
            checkHeldSize(features_.width, features_.height, "a WebP's transparency");
        }
    }

    int width() const override { return features_.width; }
    int height() const override { return features_.height; }

    void readRows(const RowSink& sink) override {
        const std::size_t bytes = stride() * std::size_t(features_.height);
        if (features_.has_animation) {
            readFirstFrame(sink);
        } else if (features_.format == 1 && bytes > kBandBytes) {
            readBands(sink);
        } else {
            readStill(sink);
        }
    }

  private:
    // Adds up to one chunk of the file to start_; false at its end.
    bool readMore() {
        const std::size_t had = start_.size();
        start_.resize(had + kChunk);
        start_.resize(had + input_.read(start_.data() + had, kChunk));
        return start_.size() > had;
    }

    bool alpha() const { return features_.has_alpha != 0; }
    // Bytes per decoded row: R, G, B, A with transparency, else B, G, R.
    std::size_t stride() const { return std::size_t(features_.width) * (alpha() ? 4 : 3); }

    // A decoder set to write its rows into `size` bytes at `memory`.
    WebPDecoderConfig configFor(std::uint8_t* memory, std::size_t size) const {
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config)) fail("wrong libwebp version");
        config.output.colorspace = alpha() ? MODE_RGBA : MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = memory;
        config.output.u.RGBA.stride = static_cast<int>(stride());
        config.output.u.RGBA.size = size;
        return config;
    }

    // Hands on decoded row y as B, G, R, on white paper when it has transparency.
    void handOn(const RowSink& sink, int y, const std::uint8_t* row,
                std::vector<std::uint8_t>& out) {
        if (alpha()) {
            rgbaOnWhite(row, out.data(), features_.width);
            row = out.data();
        }
        sink(y, row);
    }

    void readStill(const RowSink& sink) {
        const int w = features_.width, h = features_.height;
        const std::size_t stride = this->stride();
        RowSpace rows(stride * std::size_t(h));
        WebPDecoderConfig config = configFor(rows.data(), stride * std::size_t(h));
        WebPIDecoder* decoder = WebPIDecode(nullptr, 0, &config);
        if (!decoder) fail("not enough memory");
        struct Freer {
            WebPIDecoder* decoder;
            ~Freer() { WebPIDelete(decoder); }
        } freer{decoder};

        std::vector<std::uint8_t> out(std::size_t(w) * 3);
        int handed = 0;
        std::vector<std::uint8_t> chunk = std::move(start_);
        for (;;) {
            const VP8StatusCode status = WebPIAppend(decoder, chunk.data(), chunk.size());
            if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED) fail(statusText(status));
            int decoded = 0;
            WebPIDecGetRGB(decoder, &decoded, nullptr, nullptr, nullptr);
            for (; handed < decoded; ++handed)
                handOn(sink, handed, rows.data() + stride * std::size_t(handed), out);
            rows.release(stride * std::size_t(handed));
            if (status == VP8_STATUS_OK) break;
            chunk.resize(kChunk);
            chunk.resize(input_.read(chunk.data(), kChunk));
            if (chunk.empty()) fail("the file is cut off");
        }
        if (handed < h) fail("the file is cut off");
    }

    // A large lossy picture, a band of rows at a time: libwebp's incremental decoder writes every
    // row its data allows, and a smooth picture's data allows them all at once. Each band is
    // decoded from the top again (the rows above it are not converted to RGB), with a margin of
    // rows above and below that is dropped.
    void readBands(const RowSink& sink) {
        readWhole();
        const int w = features_.width, h = features_.height;
        const std::size_t stride = this->stride();
        const int bandRows = std::max(16, int(kBandBytes / stride) / 16 * 16);
        std::vector<std::uint8_t> band(stride * std::size_t(bandRows + 2 * kBandMargin));
        std::vector<std::uint8_t> out(std::size_t(w) * 3);
        for (int top = 0; top < h; top += bandRows) {
            const int first = std::max(0, top - kBandMargin);  // even, as libwebp crops
            const int end = std::min(h, top + bandRows + kBandMargin);
            WebPDecoderConfig config = configFor(band.data(), band.size());
            config.options.use_cropping = 1;
            config.options.crop_left = 0;
            config.options.crop_top = first;
            config.options.crop_width = w;
            config.options.crop_height = end - first;
            const VP8StatusCode status = WebPDecode(start_.data(), start_.size(), &config);
            if (status != VP8_STATUS_OK) fail(statusText(status));
            for (int y = top; y < std::min(h, top + bandRows); ++y)
                handOn(sink, y, band.data() + stride * std::size_t(y - first), out);
        }
    }

    // The whole file, in start_.
    void readWhole() {
        while (readMore()) {
        }
    }

    // The first frame of an animation, composed on its canvas by libwebp from the whole file.
    void readFirstFrame(const RowSink& sink) {
        readWhole();
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options)) fail("wrong libwebp version");
        options.color_mode = MODE_RGBA;
        const WebPData data{start_.data(), start_.size()};
        WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
        if (!decoder) fail("the animation is damaged");
        struct Freer {
            WebPAnimDecoder* decoder;
            ~Freer() { WebPAnimDecoderDelete(decoder); }
        } freer{decoder};
        std::uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) fail("the file is cut off");
        const int w = features_.width;
        std::vector<std::uint8_t> out(std::size_t(w) * 3);
        for (int y = 0; y < features_.height; ++y) {
            rgbaOnWhite(canvas + std::size_t(y) * std::size_t(w) * 4, out.data(), w);
            sink(y, out.data());
        }
    }

    PhotoInput input_;
    WebPBitstreamFeatures features_{};
    std::vector<std::uint8_t> start_;  // the file's first bytes, read for its features
};

}  // namespace

std::unique_ptr<PhotoReader> openWebpRows(PhotoInput input) {
    return std::make_unique<WebpRows>(std::move(input));
}

}  // namespace carbonel
