#include "imageio/heif_reader.h"

// The HEIF reader: a module of its own, loaded only when a HEIF is read, so that libheif and its
// decoders are not loaded by every run of the programs.

#include <libheif/heif.h>

#include <algorithm>
#include <vector>

#include "imageio/module_abi.h"
#include "imageio/pixel_rows.h"
#include "modules/heif_grid.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

[[noreturn]] void fail(const char* why) {
    throw Error(std::string("Cannot read the HEIF picture: ") + why);
}

void check(const heif_error& error) {
    if (error.code != heif_error_Ok) fail(error.message);
}

struct ContextFreer {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleReleaser {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageReleaser {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFreer {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

class HeifRows : public PhotoReader {
  public:
    HeifRows(PhotoInput input, PhotoReading reading)
        : input_(std::move(input)), reading_(reading), context_(heif_context_alloc()) {
        if (!context_) fail("not enough memory");
        const std::vector<std::uint8_t>& bytes = input_.wholeBytes();
        check(heif_context_read_from_memory_without_copy(context_.get(), bytes.data(), bytes.size(),
                                                         nullptr));
        heif_image_handle* handle = nullptr;
        check(heif_context_get_primary_image_handle(context_.get(), &handle));
        handle_.reset(handle);
        const bool asStored = reading_ == PhotoReading::AsStored;
        width_ = asStored ? heif_image_handle_get_ispe_width(handle)
                          : heif_image_handle_get_width(handle);
        height_ = asStored ? heif_image_handle_get_ispe_height(handle)
                           : heif_image_handle_get_height(handle);
        checkPhotoSize(width_, height_);
        const int storedWidth = heif_image_handle_get_ispe_width(handle);
        const int storedHeight = heif_image_handle_get_ispe_height(handle);
        checkHeldSize(std::uint64_t(storedWidth), std::uint64_t(storedHeight), "a HEIF picture");
        // A grid is decoded at the size the grid gives, which may not be the size above (a 1.2 KB
        // file made libheif take 4 GB).
        if (const auto grid = heifGridSize(bytes))
            checkHeldSize(grid->first, grid->second, "a HEIF picture's grid");
        // Nor may a picture libheif decodes on the way (a tile's coded size, padded, included)
        // pass the larger given side by more than 16, or 1024 for a small picture in larger
        // tiles.
        heif_context_set_maximum_image_size_limit(context_.get(),
                                                  std::max({storedWidth, storedHeight, 1008}) + 16);
    }

    int width() const override { return width_; }
    int height() const override { return height_; }

    void readRows(const RowSink& sink) override {
        std::unique_ptr<heif_decoding_options, OptionsFreer> options(heif_decoding_options_alloc());
        options->ignore_transformations = reading_ == PhotoReading::AsStored;
        const bool alpha = heif_image_handle_has_alpha_channel(handle_.get()) != 0;
        heif_image* decoded = nullptr;
        check(heif_decode_image(handle_.get(), &decoded, heif_colorspace_RGB,
                                alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                options.get()));
        const std::unique_ptr<heif_image, ImageReleaser> image(decoded);
        int stride = 0;
        const std::uint8_t* plane =
            heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
        if (!plane || heif_image_get_width(image.get(), heif_channel_interleaved) != width_ ||
            heif_image_get_height(image.get(), heif_channel_interleaved) != height_) {
            fail("the decoded picture is not of the size the file gives");
        }
        std::vector<std::uint8_t> out(std::size_t(width_) * 3);
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* row = plane + std::size_t(y) * std::size_t(stride);
            if (alpha) {
                rgbaOnWhite(row, out.data(), width_);
            } else {
                rgbToBgr(row, out.data(), width_);
            }
            sink(y, out.data());
        }
    }

  private:
    PhotoInput input_;
    PhotoReading reading_;
    std::unique_ptr<heif_context, ContextFreer> context_;
    std::unique_ptr<heif_image_handle, HandleReleaser> handle_;
    int width_ = 0, height_ = 0;
};

PhotoReader* openRows(PhotoInput* input, PhotoReading reading) {
    return new HeifRows(std::move(*input), reading);
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
