#include "imageio/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "imageio/pixel_rows.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// The most memory one chunk's data may take; ours are colour tables, at most 1 KB.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// Chunks skipped unread: text, profiles, histograms and the like, which we never show.
constexpr png_byte kSkippedChunks[] =
    "tEXt\0zTXt\0iTXt\0pCAL\0sCAL\0sPLT\0iCCP\0eXIf\0hIST\0tIME\0";

class PngRows : public PhotoReader {
  public:
    explicit PngRows(PhotoInput input) : input_(std::move(input)) {
        handles_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (handles_.png) handles_.info = png_create_info_struct(handles_.png);
        if (!handles_.info) throw Error("Not enough memory to read the PNG file");
        png_ = handles_.png;
        info_ = handles_.info;
        if (!start()) fail();
        checkPhotoSize(width_, height_);
        if (interlaced_) checkHeldSize(width_, height_, "an interlaced PNG");
    }
    int width() const override { return width_; }
    int height() const override { return height_; }

    void readRows(const RowSink& sink) override {
        const std::size_t rowBytes = std::size_t(width_) * 4;
        std::vector<std::uint8_t> out(std::size_t(width_) * 3);
        if (interlaced_) {
            // The passes fill every row several times over: the picture is held whole.
            std::vector<std::uint8_t> picture(rowBytes * std::size_t(height_));
            std::vector<png_bytep> rows(static_cast<std::size_t>(height_));
            for (int y = 0; y < height_; ++y) rows[std::size_t(y)] = &picture[rowBytes * y];
            if (!readImage(rows.data())) fail();
            for (int y = 0; y < height_; ++y) {
                rgbaOnWhite(rows[std::size_t(y)], out.data(), width_);
                sink(y, out.data());
            }
        } else {
            std::vector<std::uint8_t> row(rowBytes);
            for (int y = 0; y < height_; ++y) {
                if (!readRow(row.data())) fail();
                rgbaOnWhite(row.data(), out.data(), width_);
                sink(y, out.data());
            }
        }
        if (!finish()) fail();
    }

  private:
    // libpng reports its errors by a long jump back to the call that set it up: these calls hold
    // nothing that needs destroying between the jump's set-up and libpng.
    bool start() {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_set_read_fn(png_, this, readInput);
        png_set_chunk_malloc_max(png_, kMaxChunkBytes);
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                    int(sizeof kSkippedChunks / 5));
        png_read_info(png_, info_);
        png_uint_32 width = 0, height = 0;
        int depth = 0, colour = 0, interlace = 0;
        png_get_IHDR(png_, info_, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
        width_ = width > 0x7FFFFFFF ? -1 : int(width);
        height_ = height > 0x7FFFFFFF ? -1 : int(height);
        interlaced_ = interlace != PNG_INTERLACE_NONE;
        // Every kind becomes 8-bit R, G, B, A.
        png_set_expand(png_);
        png_set_scale_16(png_);
        png_set_gray_to_rgb(png_);
        png_set_add_alpha(png_, 0xFF, PNG_FILLER_AFTER);
        if (interlaced_) png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        return true;
    }
    bool readRow(png_bytep row) {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_read_row(png_, row, nullptr);
        return true;
    }
    bool readImage(png_bytepp rows) {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_read_image(png_, rows);
        return true;
    }
    // Reads up to the end chunk, so that a file cut off after its pixels is refused too.
    bool finish() {
        if (setjmp(png_jmpbuf(png_))) return false;
        png_read_end(png_, nullptr);
        return true;
    }
    [[noreturn]] void fail() {
        throw Error("Cannot read the PNG picture: " +
                    (error_.empty() ? std::string("the file is damaged") : error_));
    }

    static void readInput(png_structp png, png_bytep out, png_size_t count) {
        auto* self = static_cast<PngRows*>(png_get_io_ptr(png));
        std::size_t got = 0;
        bool failed = false;
        try {
            got = self->input_.read(out, count);
        } catch (const std::exception& error) {
            failed = self->note(error.what());
        } catch (...) {
            failed = self->note("the file cannot be read");
        }
        if (failed) png_longjmp(png, 1);
        if (got < count) png_error(png, "the file is cut off");
    }
    static void onError(png_structp png, png_const_charp message) {
        static_cast<PngRows*>(png_get_error_ptr(png))->note(message);
        png_longjmp(png, 1);
    }
    // Keeps the first failure's words; true. Never throws: it is called from libpng.
    bool note(const char* message) noexcept {
        try {
            if (error_.empty()) error_ = message;
        } catch (...) {
        }
        return true;
    }
    static void onWarning(png_structp, png_const_charp) {}

    struct Handles {
        png_structp png = nullptr;
        png_infop info = nullptr;
        Handles() = default;
        Handles(const Handles&) = delete;
        Handles& operator=(const Handles&) = delete;
        ~Handles() {
            if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        }
    };

    PhotoInput input_;
    Handles handles_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int width_ = 0, height_ = 0;
    bool interlaced_ = false;
    std::string error_;
};

}  // namespace

std::unique_ptr<PhotoReader> openPngRows(PhotoInput input) {
    return std::make_unique<PngRows>(std::move(input));
}

}  // namespace carbonel
