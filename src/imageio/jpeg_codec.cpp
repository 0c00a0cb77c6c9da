#include "imageio/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "sketch/error.h"

namespace carbonel {
namespace {

// libjpeg reports errors by calling error_exit, whose default ends the process. Ours jumps back
// into runGuarded, the one frame that calls setjmp; the steps it runs hold only plain C data, so
// the jump skips no destructor. The C++ error is raised outside, once the jump has landed.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf landing;
    int code;
};

void jumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->code = info->err->msg_code;
    std::longjmp(manager->landing, 1);
}

// Warnings about damaged data (a truncated file, a broken Huffman code) would otherwise give a
// half-grey picture; we refuse such files. Stray bytes between markers are harmless.
void jumpOnCorruptData(j_common_ptr info, int level) {
    if (level == -1 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) jumpOnError(info);
}

void silence(j_common_ptr) {}

void installErrorManager(JpegErrorManager& manager) {
    jpeg_std_error(&manager.base);
    manager.base.error_exit = jumpOnError;
    manager.base.emit_message = jumpOnCorruptData;
    manager.base.output_message = silence;
    manager.code = 0;
}

// Runs one libjpeg step; false (with manager->code set) when libjpeg raised an error.
bool runGuarded(JpegErrorManager* manager, void (*step)(void*), void* context) {
    if (setjmp(manager->landing) != 0) return false;
    step(context);
    return true;
}

[[noreturn]] void throwJpegError(int code) {
    throw Error("JPEG error #" + std::to_string(code));
}

struct DecodeContext {
    jpeg_decompress_struct* info;
    const unsigned char* data;
    unsigned long size;
    JSAMPROW* rows;
    RowProgress* progress;
};

void createDecoder(void* raw) {
    jpeg_create_decompress(static_cast<DecodeContext*>(raw)->info);
}

void readHeader(void* raw) {
    auto* context = static_cast<DecodeContext*>(raw);
    jpeg_mem_src(context->info, context->data, context->size);
    jpeg_read_header(context->info, TRUE);
}

void decodePixels(void* raw) {
    auto* context = static_cast<DecodeContext*>(raw);
    jpeg_decompress_struct* info = context->info;
    info->out_color_space = JCS_EXT_BGR;
    info->dct_method = JDCT_FLOAT;
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        jpeg_read_scanlines(info, context->rows + info->output_scanline,
                            info->output_height - info->output_scanline);
        if (context->progress) context->progress->publish(static_cast<int>(info->output_scanline));
    }
    jpeg_finish_decompress(info);
}

struct Decoder {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    bool created = false;
    ~Decoder() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw Error("Cannot open file " + path);
    std::vector<unsigned char> bytes;
    unsigned char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw Error("Cannot open file " + path);
    return bytes;
}

struct EncodeContext {
    jpeg_compress_struct* info;
    std::FILE* out;
    int width, height;
    JSAMPROW* rows;
    const RowProgress* rowsReady;
    bool abandoned;
};

void createEncoder(void* raw) {
    jpeg_create_compress(static_cast<EncodeContext*>(raw)->info);
}

void encodePixels(void* raw) {
    auto* context = static_cast<EncodeContext*>(raw);
    jpeg_compress_struct* info = context->info;
    jpeg_stdio_dest(info, context->out);
    info->image_width = static_cast<JDIMENSION>(context->width);
    info->image_height = static_cast<JDIMENSION>(context->height);
    info->input_components = 3;
    info->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(info);
    info->dct_method = JDCT_FLOAT;
    jpeg_set_quality(info, 20, TRUE);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        JDIMENSION ready = info->image_height;
        if (context->rowsReady) {
            const int finished =
                context->rowsReady->waitFor(static_cast<int>(info->next_scanline) + 1);
            if (finished == RowProgress::kFailed) {
                context->abandoned = true;
                return;
            }
            ready = std::min(ready, static_cast<JDIMENSION>(finished));
        }
        jpeg_write_scanlines(info, context->rows + info->next_scanline,
                             ready - info->next_scanline);
    }
    jpeg_finish_compress(info);
}

struct Encoder {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    bool created = false;
    ~Encoder() {
        if (created) jpeg_destroy_compress(&info);
    }
};

}  // namespace

struct JpegDecoder::State {
    std::vector<unsigned char> bytes;
    Decoder decoder;
    DecodeContext context{};
};

JpegDecoder::JpegDecoder(const std::string& path) : state_(std::make_unique<State>()) {
    state_->bytes = readWholeFile(path);
    Decoder& decoder = state_->decoder;
    installErrorManager(decoder.errors);
    decoder.info.err = &decoder.errors.base;
    state_->context = {&decoder.info, state_->bytes.data(),
                       static_cast<unsigned long>(state_->bytes.size()), nullptr, nullptr};
    if (!runGuarded(&decoder.errors, createDecoder, &state_->context))
        throwJpegError(decoder.errors.code);
    decoder.created = true;
    if (!runGuarded(&decoder.errors, readHeader, &state_->context))
        throwJpegError(decoder.errors.code);
    // JPEG sizes are 16-bit, so they fit an int; the check comes before any pixel is allocated.
    checkPictureSize(width(), height());
}

JpegDecoder::~JpegDecoder() = default;

int JpegDecoder::width() const {
    return static_cast<int>(state_->decoder.info.image_width);
}
int JpegDecoder::height() const {
    return static_cast<int>(state_->decoder.info.image_height);
}

void JpegDecoder::decodeInto(Raster& picture, RowProgress* progress) {
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(height()));
    for (int y = 0; y < height(); ++y)
        rows[static_cast<std::size_t>(y)] = picture.mutableRowUnchecked(y);
    state_->context.rows = rows.data();
    state_->context.progress = progress;
    if (!runGuarded(&state_->decoder.errors, decodePixels, &state_->context)) {
        throwJpegError(state_->decoder.errors.code);
    }
}

Raster readJpeg(const std::string& path) {
    JpegDecoder decoder(path);
    // Every row is written by the decoder or the picture is thrown away.
    Raster picture = Raster::uninitialized(decoder.width(), decoder.height());
    decoder.decodeInto(picture);
    return picture;
}

void writeJpeg(const Raster& picture, std::FILE* out, const RowProgress* rowsReady) {
    Encoder encoder;
    installErrorManager(encoder.errors);
    encoder.info.err = &encoder.errors.base;
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y) {
        // libjpeg only reads the rows; its API simply lacks const.
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(picture.rowUnchecked(y));
    }
    EncodeContext context{&encoder.info, out,  picture.width(), picture.height(), rows.data(),
                          rowsReady,     false};
    if (!runGuarded(&encoder.errors, createEncoder, &context)) throwJpegError(encoder.errors.code);
    encoder.created = true;
    if (!runGuarded(&encoder.errors, encodePixels, &context)) throwJpegError(encoder.errors.code);
    if (context.abandoned) throw Error("The sketch was not finished");
}

}  // namespace carbonel
