#include "imageio/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <string>

#include "sketch/error.h"

namespace carbonel {

struct PngRowWriter::State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* out = nullptr;
    std::string failure;
    ~State() { png_destroy_write_struct(&png, &info); }

    // libpng reports through longjmp; the message is kept and thrown once back in C++.
    static void onError(png_structp png, png_const_charp message) {
        auto* state = static_cast<State*>(png_get_error_ptr(png));
        state->failure = std::string("PNG error: ") + message;
        if (errno != 0) state->failure += std::string(" (") + std::strerror(errno) + ")";
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp, png_const_charp) {}
};

// Every libpng call goes through here: setjmp's frame must stay alive while the call runs.
#define CARBONEL_PNG_GUARDED(state, call)                                    \
    do {                                                                     \
        errno = 0;                                                           \
        if (setjmp(png_jmpbuf((state)->png))) throw Error((state)->failure); \
        call;                                                                \
    } while (0)

PngRowWriter::PngRowWriter(std::FILE* out, int width, int height)
    : state_(std::make_unique<State>()) {
    State* state = state_.get();
    state->png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, state, State::onError, State::onWarning);
    state->out = out;
    if (!state->png) throw Error("PNG error: out of memory");
    state->info = png_create_info_struct(state->png);
    if (!state->info) throw Error("PNG error: out of memory");
    CARBONEL_PNG_GUARDED(state, {
        png_init_io(state->png, out);
        png_set_IHDR(state->png, state->info, static_cast<png_uint_32>(width),
                     static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(state->png, state->info);
        png_set_bgr(state->png);
    });
}

PngRowWriter::~PngRowWriter() = default;

void PngRowWriter::writeRow(const std::uint8_t* row) {
    State* state = state_.get();
    CARBONEL_PNG_GUARDED(state, png_write_row(state->png, const_cast<png_bytep>(row)));
}

void PngRowWriter::finish() {
    State* state = state_.get();
    CARBONEL_PNG_GUARDED(state, {
        png_write_end(state->png, nullptr);
        png_write_flush(state->png);
    });
    if (std::fflush(state->out) != 0) {
        throw Error(std::string("PNG error: cannot write the file (") + std::strerror(errno) + ")");
    }
}

#undef CARBONEL_PNG_GUARDED

}  // namespace carbonel
