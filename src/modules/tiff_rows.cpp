#include "imageio/tiff_reader.h"

// The TIFF reader: a module of its own, loaded only when a TIFF is read, so that libtiff and the
// codecs it brings are not loaded by every run of the programs.

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "imageio/module_abi.h"
#include "imageio/orientation.h"
#include "imageio/pixel_rows.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr tmsize_t kMaxAllocation = tmsize_t{256} << 20;
// The fewest rows converted at a time from a file of short strips (whole strips).
constexpr std::uint32_t kStripBand = 64;

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

class TiffRows : public UprightRows {
  public:
    TiffRows(PhotoInput input, PhotoReading reading) : input_(std::move(input)) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, onError, this);
        TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, this);
        tiff_.reset(TIFFClientOpenExt(input_.name().c_str(), "rm", this, readInput, writeInput,
                                      seekInput, closeInput, sizeInput, nullptr, nullptr, options));
        TIFFOpenOptionsFree(options);
        if (!tiff_) fail();
        std::uint32_t w = 0, h = 0;
        TIFFGetField(tiff_.get(), TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tiff_.get(), TIFFTAG_IMAGELENGTH, &h);
        checkPhotoSize(w > 0x7FFFFFFF ? -1 : int(w), h > 0x7FFFFFFF ? -1 : int(h));
        std::uint16_t orientation = ORIENTATION_TOPLEFT;
        if (reading == PhotoReading::Upright)
            TIFFGetFieldDefaulted(tiff_.get(), TIFFTAG_ORIENTATION, &orientation);
        setStored(int(w), int(h), orientation);
        // A band is a row of tiles, or whole strips: libtiff decodes a strip from its start up to
        // the rows asked for, so a band within a tall strip would decode it again and again.
        std::uint32_t unit = 0;
        if (TIFFIsTiled(tiff_.get())) {
            TIFFGetField(tiff_.get(), TIFFTAG_TILELENGTH, &unit);
            band_ = std::max<std::uint32_t>(unit, 1);
        } else {
            TIFFGetFieldDefaulted(tiff_.get(), TIFFTAG_ROWSPERSTRIP, &unit);
            unit = std::max<std::uint32_t>(unit, 1);
            band_ = unit < kStripBand ? kStripBand / unit * unit : unit;
        }
        band_ = std::min(band_, std::max<std::uint32_t>(h, 1));
        checkHeldSize(w, band_,
                      TIFFIsTiled(tiff_.get()) ? "a TIFF's row of tiles" : "a TIFF's strip");
        char message[1024] = "";
        if (!TIFFRGBAImageOK(tiff_.get(), message)) throw Error(about(message));
    }

  private:
    // The rows as stored, top to bottom, a band at a time through libtiff's RGBA conversion.
    void readStoredRows(const RowSink& sink) override {
        char message[1024] = "";
        TIFFRGBAImage image{};
        if (!TIFFRGBAImageBegin(&image, tiff_.get(), 0, message)) throw Error(about(message));
        struct Ender {
            TIFFRGBAImage* image;
            ~Ender() { TIFFRGBAImageEnd(image); }
        } ender{&image};
        // Rows as stored: the orientation is ours to apply.
        image.orientation = ORIENTATION_TOPLEFT;
        image.req_orientation = ORIENTATION_TOPLEFT;
        const std::uint32_t w = std::uint32_t(storedWidth()), h = std::uint32_t(storedHeight());
        std::vector<std::uint32_t> band(std::size_t(w) * std::min(band_, h));
        std::vector<std::uint8_t> out(std::size_t(w) * 3);
        for (std::uint32_t top = 0; top < h; top += band_) {
            const std::uint32_t rows = std::min(band_, h - top);
            image.row_offset = int(top);
            image.col_offset = 0;
            if (!TIFFRGBAImageGet(&image, band.data(), w, rows)) fail();
            for (std::uint32_t y = 0; y < rows; ++y) {
                const std::uint32_t* in = &band[std::size_t(y) * w];
                for (std::uint32_t x = 0; x < w; ++x) {
                    // libtiff's pixels carry their alpha multiplied in.
                    const std::uint32_t pixel = in[x];
                    const unsigned paper = 255 - TIFFGetA(pixel);
                    out[3 * x] = std::uint8_t(std::min(255u, TIFFGetB(pixel) + paper));
                    out[3 * x + 1] = std::uint8_t(std::min(255u, TIFFGetG(pixel) + paper));
                    out[3 * x + 2] = std::uint8_t(std::min(255u, TIFFGetR(pixel) + paper));
                }
                sink(int(top + y), out.data());
            }
        }
    }

    std::string about(const char* why) const {
        return std::string("Cannot read the TIFF picture: ") + (*why ? why : "the file is damaged");
    }
    [[noreturn]] void fail() const { throw Error(about(error_.c_str())); }

    static int onError(TIFF*, void* self, const char*, const char* format, va_list args) {
        auto* reader = static_cast<TiffRows*>(self);
        if (reader->error_.empty()) {
            char message[512];
            std::vsnprintf(message, sizeof message, format, args);
            reader->note(message);
        }
        return 1;
    }
    // Keeps the first failure's words. Never throws: it is called from libtiff.
    void note(const char* message) noexcept {
        try {
            if (error_.empty()) error_ = message;
        } catch (...) {
        }
    }
    static int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    static tmsize_t readInput(thandle_t self, void* out, tmsize_t count) {
        auto* reader = static_cast<TiffRows*>(self);
        try {
            return static_cast<tmsize_t>(reader->input_.read(out, static_cast<std::size_t>(count)));
        } catch (const std::exception& error) {
            reader->note(error.what());
        } catch (...) {
        }
        return -1;
    }
    static tmsize_t writeInput(thandle_t, void*, tmsize_t) { return -1; }
    static toff_t seekInput(thandle_t self, toff_t offset, int whence) {
        PhotoInput& input = static_cast<TiffRows*>(self)->input_;
        const std::uint64_t base = whence == SEEK_CUR   ? input.tell()
                                   : whence == SEEK_END ? input.size()
                                                        : 0;
        return input.seek(base + offset) ? input.tell() : toff_t(-1);
    }
    static int closeInput(thandle_t) { return 0; }
    static toff_t sizeInput(thandle_t self) { return static_cast<TiffRows*>(self)->input_.size(); }

    PhotoInput input_;
    std::string error_;
    std::unique_ptr<TIFF, TiffCloser> tiff_;
    std::uint32_t band_ = kStripBand;
};

PhotoReader* openRows(PhotoInput* input, PhotoReading reading) {
    return new TiffRows(std::move(*input), reading);
}

}  // namespace
}  // namespace carbonel

const carbonel::CarbonelModule* carbonel_module() {
    static constexpr carbonel::CarbonelModule table{.abi = carbonel::kModuleAbi,
                                                    .openPhotoRows = carbonel::openRows,
                                                    .openSketchWriter = nullptr,
                                                    .openAnimationWriter = nullptr,
                                                    .openVideoSource = nullptr,
                                                    .openVideoEncoder = nullptr};
    return &table;
}
