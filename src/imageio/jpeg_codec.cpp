#include "imageio/jpeg_codec.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imageio/file_bytes.h"
#include "imageio/orientation.h"
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
    int systemError;  // errno as the library failed, for a failed write
    char text[JMSG_LENGTH_MAX];
};

// Most progressive files have about ten scans; thousands only cost time.
constexpr int kMaxScans = 256;
// The decoder's own memory (a progressive file keeps every coefficient) may grow with the file,
// but a small file cannot make it big.
constexpr long kMinDecoderMemory = 64L << 20;
constexpr long kDecoderMemoryPerFileByte = 256;

void jumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->systemError = errno;
    manager->code = info->err->msg_code;
    info->err->format_message(info, manager->text);
    std::longjmp(manager->landing, 1);
}

void refuseEndlessScans(j_common_ptr info) {
    const auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number <= kMaxScans) return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->code = 0;
    std::snprintf(manager->text, sizeof manager->text, "more than %d progressive scans", kMaxScans);
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
    manager.text[0] = 0;
}

// Runs one libjpeg step; false (with manager->code set) when libjpeg raised an error.
bool runGuarded(JpegErrorManager* manager, void (*step)(void*), void* context) {
    if (setjmp(manager->landing) != 0) return false;
    step(context);
    return true;
}

[[noreturn]] void throwJpegError(const JpegErrorManager& manager) {
    if (manager.code == 0) throw Error(std::string("JPEG file refused: ") + manager.text);
    if (manager.code == JERR_NO_BACKING_STORE) {
        // The decoder's memory limit, met by a small file that claims a huge progressive picture.
        throw Error(
            "JPEG file refused: decoding it would take far more memory than a file of "
            "its size can need");
    }
    std::string message = "JPEG error #" + std::to_string(manager.code) + ": " + manager.text;
    if (manager.code == JERR_FILE_WRITE && manager.systemError != 0)
        message += std::string(" (") + std::strerror(manager.systemError) + ")";
    throw Error(message);
}

struct DecodeContext {
    jpeg_decompress_struct* info;
    std::FILE* file;  // read as it is decoded, or else the bytes below
    const unsigned char* data;
    unsigned long size;
    std::uint8_t* inkRow;  // one row of four-channel ink (CMYK) for a printer's photo
    const JpegDecoder::RowSink* sink;
    std::uint8_t* row;
};

void createDecoder(void* raw) {
    jpeg_create_decompress(static_cast<DecodeContext*>(raw)->info);
}

void readHeader(void* raw) {
    auto* context = static_cast<DecodeContext*>(raw);
    if (context->file) {
        jpeg_stdio_src(context->info, context->file);
    } else {
        jpeg_mem_src(context->info, context->data, context->size);
    }
    jpeg_save_markers(context->info, JPEG_APP0 + 1, 0xFFFF);  // Exif, for the orientation
    jpeg_read_header(context->info, TRUE);
}

bool holdsInk(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Ink to light. Files with Adobe's marker (Photoshop's, nearly all of them) store the inks
// inverted, so 255 is no ink; the rest store them plainly.
void inkRowToBgr(const std::uint8_t* ink, std::uint8_t* bgr, int width, bool inverted) {
    for (int x = 0; x < width; ++x, ink += 4, bgr += 3) {
        const unsigned k = inverted ? ink[3] : 255u - ink[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned level = inverted ? ink[c] : 255u - ink[c];
            bgr[2 - c] = static_cast<std::uint8_t>((level * k + 127) / 255);
        }
    }
}

void decodePixels(void* raw) {
    auto* context = static_cast<DecodeContext*>(raw);
    jpeg_decompress_struct* info = context->info;
    const bool ink = holdsInk(*info);
    info->out_color_space = ink ? JCS_CMYK : JCS_EXT_BGR;
    info->dct_method = JDCT_FLOAT;
    jpeg_start_decompress(info);
    const int width = static_cast<int>(info->output_width);
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        std::uint8_t* row = context->row;
        JSAMPROW target = ink ? context->inkRow : row;
        if (jpeg_read_scanlines(info, &target, 1) != 1) continue;
        if (ink) inkRowToBgr(context->inkRow, row, width, info->saw_Adobe_marker);
        (*context->sink)(y, row);
    }
    jpeg_finish_decompress(info);
}

struct Decoder {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    ~Decoder() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

struct EncodeContext {
    jpeg_compress_struct* info;
    std::FILE* out;
    int width, height;
    JSAMPROW* row;  // the next row to write
    int quality;
};

void createEncoder(void* raw) {
    jpeg_create_compress(static_cast<EncodeContext*>(raw)->info);
}

// The program's JPEG: default settings but the floating-point DCT, the quality (20 unless asked
// otherwise) with baseline tables.
void startEncoding(void* raw) {
    auto* context = static_cast<EncodeContext*>(raw);
    jpeg_compress_struct* info = context->info;
    jpeg_stdio_dest(info, context->out);
    info->image_width = static_cast<JDIMENSION>(context->width);
    info->image_height = static_cast<JDIMENSION>(context->height);
    info->input_components = 3;
    info->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(info);
    info->dct_method = JDCT_FLOAT;
    jpeg_set_quality(info, context->quality, TRUE);
    jpeg_start_compress(info, TRUE);
}

void writeOneRow(void* raw) {
    auto* context = static_cast<EncodeContext*>(raw);
    jpeg_write_scanlines(context->info, context->row, 1);
}

void finishEncoding(void* raw) {
    jpeg_finish_compress(static_cast<EncodeContext*>(raw)->info);
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
    std::string name;  // the file's, for messages
    std::FILE* file = nullptr;
    std::vector<std::uint8_t> bytes;
    Decoder decoder;
    DecodeContext context{};
    std::vector<std::uint8_t> inkRow;
    ~State() {
        // The decoder goes first: it may still refer to the file.
        if (decoder.created) jpeg_destroy_decompress(&decoder.info);
        decoder.created = false;
        if (file) std::fclose(file);
    }
};

JpegDecoder::JpegDecoder(const std::string& path) : state_(std::make_unique<State>()) {
    // Read as it is decoded, so a large file is never held whole.
    std::uint64_t size = 0;
    state_->file = openForReading(path, size);
    start(path, static_cast<std::size_t>(size));
}

JpegDecoder::JpegDecoder(std::FILE* stream, const std::string& name, std::size_t sizeHint)
    : state_(std::make_unique<State>()) {
    state_->file = stream;
    start(name, sizeHint);
}

JpegDecoder::JpegDecoder(std::vector<std::uint8_t> bytes, const std::string& name)
    : state_(std::make_unique<State>()) {
    state_->bytes = std::move(bytes);
    start(name, state_->bytes.size());
}

void JpegDecoder::start(const std::string& name, std::size_t fileSize) {
    state_->name = name;
    Decoder& decoder = state_->decoder;
    installErrorManager(decoder.errors);
    decoder.info.err = &decoder.errors.base;
    state_->context = {&decoder.info,
                       state_->file,
                       state_->bytes.data(),
                       static_cast<unsigned long>(state_->bytes.size()),
                       nullptr,
                       nullptr,
                       nullptr};
    if (!runGuarded(&decoder.errors, createDecoder, &state_->context)) fail();
    decoder.created = true;
    const long allowance =
        static_cast<long>(std::min<std::size_t>(fileSize, std::size_t{1} << 40)) *
        kDecoderMemoryPerFileByte;
    decoder.info.mem->max_memory_to_use = std::max(kMinDecoderMemory, allowance);
    decoder.progress.progress_monitor = refuseEndlessScans;
    decoder.info.progress = &decoder.progress;
    if (!runGuarded(&decoder.errors, readHeader, &state_->context)) fail();
    // JPEG sizes are 16-bit, so they fit an int; the check comes before any pixel is allocated.
    try {
        checkPictureSize(width(), height());
    } catch (const Error& error) {
        throw Error(aboutFile(name, error.what()));
    }
}

void JpegDecoder::fail() const {
    try {
        throwJpegError(state_->decoder.errors);
    } catch (const Error& error) {
        throw Error(aboutFile(state_->name, error.what()));
    }
}

JpegDecoder::~JpegDecoder() = default;

int JpegDecoder::width() const {
    return static_cast<int>(state_->decoder.info.image_width);
}
int JpegDecoder::height() const {
    return static_cast<int>(state_->decoder.info.image_height);
}

int JpegDecoder::orientation(PhotoReading reading) const {
    if (reading == PhotoReading::AsStored) return 1;
    for (jpeg_saved_marker_ptr marker = state_->decoder.info.marker_list; marker;
         marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
            return exifOrientation(marker->data + 6, marker->data_length - 6);
        }
    }
    return 1;
}

void JpegDecoder::decodeRows(const RowSink& sink) {
    if (holdsInk(state_->decoder.info)) state_->inkRow.resize(std::size_t(width()) * 4);
    std::vector<std::uint8_t> row(std::size_t(width()) * 3);
    state_->context.inkRow = state_->inkRow.data();
    state_->context.sink = &sink;
    state_->context.row = row.data();
    if (!runGuarded(&state_->decoder.errors, decodePixels, &state_->context)) fail();
}

struct JpegRowEncoder::State {
    Encoder encoder;
    JSAMPROW row = nullptr;
    EncodeContext context{};
};

JpegRowEncoder::JpegRowEncoder(std::FILE* out, int width, int height, int quality)
    : state_(std::make_unique<State>()) {
    Encoder& encoder = state_->encoder;
    installErrorManager(encoder.errors);
    encoder.info.err = &encoder.errors.base;
    state_->context = {&encoder.info, out, width, height, &state_->row, quality};
    if (!runGuarded(&encoder.errors, createEncoder, &state_->context))
        throwJpegError(encoder.errors);
    encoder.created = true;
    if (!runGuarded(&encoder.errors, startEncoding, &state_->context))
        throwJpegError(encoder.errors);
}

JpegRowEncoder::~JpegRowEncoder() = default;

void JpegRowEncoder::writeRow(const std::uint8_t* row) {
    state_->row = const_cast<JSAMPROW>(row);  // only read; the API lacks const
    if (!runGuarded(&state_->encoder.errors, writeOneRow, &state_->context))
        throwJpegError(state_->encoder.errors);
}

void JpegRowEncoder::finish() {
    if (!runGuarded(&state_->encoder.errors, finishEncoding, &state_->context))
        throwJpegError(state_->encoder.errors);
}

}  // namespace carbonel
