#include "imageio/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imageio/pixel_rows.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

using Bgr = std::array<std::uint8_t, 3>;
constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kBlack{0, 0, 0};

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

class GifRows : public PhotoReader {
  public:
    explicit GifRows(PhotoInput input) : input_(std::move(input)) {
        int error = 0;
        gif_.reset(DGifOpen(this, readInput, &error));
        if (!gif_) fail(error);
        findFirstFrame();
        const GifImageDesc& frame = gif_->Image;
        // A screen of no size is taken to be the frame's own.
        width_ = gif_->SWidth > 0 ? gif_->SWidth : frame.Left + frame.Width;
        height_ = gif_->SHeight > 0 ? gif_->SHeight : frame.Top + frame.Height;
        checkPhotoSize(width_, height_);
        if (frame.Interlace) checkHeldSize(frame.Width, frame.Height, "an interlaced GIF frame");
        background_ = backgroundColour();
    }
    int width() const override { return width_; }
    int height() const override { return height_; }

    void readRows(const RowSink& sink) override {
        const GifImageDesc& frame = gif_->Image;
        const int frameWidth = frame.Width, frameHeight = frame.Height;
        std::vector<GifPixelType> indices;  // the whole frame, when interlaced
        if (frame.Interlace) {
            indices.resize(std::size_t(frameWidth) * std::size_t(frameHeight));
            // The four passes start at rows 0, 4, 2, 1 and step by 8, 8, 4, 2.
            for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
                for (int y = first; y < frameHeight; y += step)
                    readLine(indices.data() + std::size_t(y) * std::size_t(frameWidth), frameWidth);
            }
        }
        std::vector<GifPixelType> line(std::size_t(std::max(frameWidth, 1)));
        std::vector<std::uint8_t> out(std::size_t(width_) * 3);
        const std::vector<Bgr> colours = palette();
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) std::memcpy(&out[3 * std::size_t(x)], &background_, 3);
            const int frameRow = y - frame.Top;
            if (frameRow >= 0 && frameRow < frameHeight) {
                const GifPixelType* row = line.data();
                if (frame.Interlace) {
                    row = indices.data() + std::size_t(frameRow) * std::size_t(frameWidth);
                } else {
                    readLine(line.data(), frameWidth);
                }
                const int first = std::max(0, -frame.Left);
                const int last = std::min(frameWidth, width_ - frame.Left);
                for (int x = first; x < last; ++x) {
                    if (row[x] == transparent_) continue;
                    std::memcpy(&out[3 * std::size_t(frame.Left + x)], &colours[row[x]], 3);
                }
            }
            sink(y, out.data());
        }
        // The frame's lines left below the screen are read too: the frame must be whole.
        for (int frameRow = std::max(0, height_ - frame.Top);
             !frame.Interlace && frameRow < frameHeight; ++frameRow) {
            readLine(line.data(), frameWidth);
        }
    }

  private:
    // Reads records up to the first image's descriptor, noting its transparent colour.
    void findFirstFrame() {
        for (;;) {
            GifRecordType record = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_.get(), &record) == GIF_ERROR) fail(gif_->Error);
            if (record == IMAGE_DESC_RECORD_TYPE) {
                if (DGifGetImageDesc(gif_.get()) == GIF_ERROR) fail(gif_->Error);
                return;
            }
            if (record == TERMINATE_RECORD_TYPE) throw Error("The GIF file holds no picture");
            if (record != EXTENSION_RECORD_TYPE) fail(D_GIF_ERR_WRONG_RECORD);
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif_.get(), &code, &block) == GIF_ERROR) fail(gif_->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control{};
                DGifExtensionToGCB(block[0], block + 1, &control);
                transparent_ = control.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif_.get(), &block) == GIF_ERROR) fail(gif_->Error);
            }
        }
    }

    Bgr backgroundColour() const {
        if (transparent_ != NO_TRANSPARENT_COLOR) return kWhite;
        const ColorMapObject* global = gif_->SColorMap;
        if (!global) return kBlack;
        if (gif_->SBackGroundColor >= global->ColorCount) return kWhite;
        const GifColorType& c = global->Colors[gif_->SBackGroundColor];
        return {c.Blue, c.Green, c.Red};
    }

    // All 256 indices: the frame's colours (its own table, else the global one), black past them.
    std::vector<Bgr> palette() const {
        std::vector<Bgr> colours(256, kBlack);
        const ColorMapObject* map = gif_->Image.ColorMap ? gif_->Image.ColorMap : gif_->SColorMap;
        for (int i = 0; map && i < std::min(map->ColorCount, 256); ++i)
            colours[std::size_t(i)] = {map->Colors[i].Blue, map->Colors[i].Green,
                                       map->Colors[i].Red};
        return colours;
    }

    void readLine(GifPixelType* line, int length) {
        if (length > 0 && DGifGetLine(gif_.get(), line, length) == GIF_ERROR) fail(gif_->Error);
    }

    [[noreturn]] void fail(int error) {
        if (!readError_.empty()) throw Error(readError_);
        const char* reason = GifErrorString(error);
        if (error == D_GIF_ERR_READ_FAILED)
            reason = "the file is cut off before the end of its first frame";
        throw Error(std::string("Cannot read the GIF picture: ") + (reason ? reason : "damaged"));
    }

    static int readInput(GifFileType* gif, GifByteType* out, int count) {
        auto* self = static_cast<GifRows*>(gif->UserData);
        try {
            return static_cast<int>(self->input_.read(out, static_cast<std::size_t>(count)));
        } catch (const std::exception& error) {
            self->note(error.what());
        } catch (...) {
        }
        return 0;
    }
    // Keeps the reason reading failed. Never throws: it is called from giflib.
    void note(const char* message) noexcept {
        try {
            readError_ = message;
        } catch (...) {
        }
    }

    PhotoInput input_;
    std::unique_ptr<GifFileType, GifCloser> gif_;
    int width_ = 0, height_ = 0;
    int transparent_ = NO_TRANSPARENT_COLOR;
    Bgr background_{};
    std::string readError_;
};

}  // namespace

std::unique_ptr<PhotoReader> openGifRows(PhotoInput input) {
    return std::make_unique<GifRows>(std::move(input));
}

}  // namespace carbonel
