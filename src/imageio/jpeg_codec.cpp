#include "imageio/jpeg_codec.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imageio/file_bytes.h"
#include "imageio/jpeg_blocks.h"
#include "imageio/jpeg_coefficient_writer.h"
#include "imageio/jpeg_library.h"
#include "imageio/orientation.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// Most progressive files have about ten scans; thousands only cost time.
constexpr int kMaxScans = 256;
// The decoder's own memory (a progressive file keeps every coefficient) may grow with the file,
// but a small file cannot make it big.
constexpr long kMinDecoderMemory = 64L << 20;
constexpr long kDecoderMemoryPerFileByte = 256;

void refuseEndlessScans(j_common_ptr info) {
    const auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number <= kMaxScans) return;
    char reason[64];
    std::snprintf(reason, sizeof reason, "more than %d progressive scans", kMaxScans);
    jumpWithReason(info, reason);
}

struct DecodeContext {
    jpeg_decompress_struct* info;
    std::FILE* file;  // read as it is decoded, or else the bytes below
    const unsigned char* data;
    unsigned long size;
    std::uint8_t* inkRow;  // one row of four-channel ink (CMYK) for a printer's photo
    const JpegDecoder::RowSink* sink;
    const JpegDecoder::RowPlace* place;  // may be empty
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
        std::uint8_t* row = *context->place ? (*context->place)(y) : context->row;
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

void startEncoding(void* raw) {
    auto* context = static_cast<EncodeContext*>(raw);
    configureEncoder(context->info, context->out, context->width, context->height,
                     context->quality);
    jpeg_start_compress(context->info, TRUE);
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

void JpegDecoder::decodeRows(const RowSink& sink, const RowPlace& place) {
    if (holdsInk(state_->decoder.info)) state_->inkRow.resize(std::size_t(width()) * 4);
    std::vector<std::uint8_t> row(place ? 0 : std::size_t(width()) * 3);
    state_->context.inkRow = state_->inkRow.data();
    state_->context.sink = &sink;
    state_->context.place = &place;
    state_->context.row = row.data();
    if (!runGuarded(&state_->decoder.errors, decodePixels, &state_->context)) fail();
}

namespace {

// A small picture whose coefficients cover what a sketch's can be: colour and grey noise (many
// coefficients near a half), flat blocks of every kind, and edges padded on the right and bottom.
std::vector<std::uint8_t> trialPicture(int width, int height) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    std::uint32_t random = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &pixels[(std::size_t(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                random = random * 1664525u + 1013904223u;
                pixel[c] = static_cast<std::uint8_t>(random >> 24);
            }
            if (y >= 16 && y < 32) pixel[1] = pixel[2] = pixel[0];                // grey noise
            if (y >= 32) std::memset(pixel, (x / 8 * 37 + y / 8 * 11) & 255, 3);  // flat blocks
        }
    }
    return pixels;
}

// Coefficients near a half, where libjpeg's builds round differently (the processor's vector
// conversion, or the plain C code's adding 16384.5 and cutting off): 32 grey blocks of them,
// two rows of sixteen.
std::vector<std::uint8_t> nearHalfPicture(int quality, int& width, int& height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);  // nothing here can fail with a quality of 1..100
    jpeg_create_compress(&info);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    const FloatDivisors divisors = floatDivisors(info.quant_tbl_ptrs[0]->quantval);
    jpeg_destroy_compress(&info);
    constexpr int kAcross = 16, kDown = 2;
    const std::vector<std::uint8_t> blocks = nearHalfBlocks(divisors, kAcross * kDown);
    width = 8 * kAcross;
    height = 8 * kDown;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int block = (y / 8) * kAcross + x / 8;
            std::memset(&pixels[(std::size_t(y) * width + x) * 3],
                        blocks[std::size_t(block) * 64 + (y % 8) * 8 + x % 8], 3);
        }
    }
    return pixels;
}

// The file a writer makes of the picture, or nothing when it fails.
template <typename Writer>
std::string writeTrial(const std::vector<std::uint8_t>& pixels, int width, int height,
                       const std::function<std::unique_ptr<Writer>(std::FILE*)>& open) {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&bytes, &size);
    if (!memory) return {};
    try {
        const std::unique_ptr<Writer> writer = open(memory);
        for (int y = 0; y < height; ++y) writer->writeRow(&pixels[std::size_t(y) * width * 3]);
        writer->finish();
    } catch (const std::exception&) {
        size = 0;
    }
    std::fclose(memory);
    std::string written(bytes, size);
    std::free(bytes);
    return written;
}

bool sameFile(const std::vector<std::uint8_t>& pixels, int width, int height, int quality) {
    const std::string library =
        writeTrial<JpegRowEncoder>(pixels, width, height, [&](std::FILE* out) {
            return std::make_unique<JpegRowEncoder>(out, width, height, quality,
                                                    JpegCoding::Library);
        });
    // Our writer itself, never the library in its place (when no thread can be started).
    const std::string own =
        writeTrial<JpegCoefficientWriter>(pixels, width, height, [&](std::FILE* out) {
            return std::make_unique<JpegCoefficientWriter>(out, width, height, quality);
        });
    return !library.empty() && library == own;
}

// Whether our own coefficients give libjpeg's bytes at this quality here: colour, grey and flat
// blocks with padded edges, and coefficients near a half. Checked once per quality.
bool ownCoefficientsAgree(int quality) {
    static std::mutex mutex;
    static signed char known[101] = {};  // 0 not yet tried, 1 agree, -1 differ
    std::lock_guard lock(mutex);
    signed char& answer = known[std::clamp(quality, 0, 100)];
    if (answer == 0) {
        constexpr int kWidth = 77, kHeight = 37;
        int nearWidth = 0, nearHeight = 0;
        const std::vector<std::uint8_t> nearHalves =
            nearHalfPicture(quality, nearWidth, nearHeight);
        answer = sameFile(trialPicture(kWidth, kHeight), kWidth, kHeight, quality) &&
                         sameFile(nearHalves, nearWidth, nearHeight, quality)
                     ? 1
                     : -1;
    }
    return answer == 1;
}

}  // namespace

struct JpegRowEncoder::State {
    Encoder encoder;
    JSAMPROW row = nullptr;
    EncodeContext context{};
    std::unique_ptr<JpegCoefficientWriter> own;
    std::vector<std::uint8_t> greyAsBgr;  // a grey row for the library
};

JpegRowEncoder::JpegRowEncoder(std::FILE* out, int width, int height, int quality,
                               JpegCoding coding, int threads)
    : state_(std::make_unique<State>()) {
    const bool own = coding == JpegCoding::OwnCoefficients ||
                     (coding == JpegCoding::Fastest && ownCoefficientsAgree(quality));
    if (own) {
        try {
            state_->own =
                std::make_unique<JpegCoefficientWriter>(out, width, height, quality, threads == 1);
            return;
        } catch (const std::system_error&) {
            // No thread for the coder: the library does it all.
        }
    }
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
    if (state_->own) return state_->own->writeRow(row);
    state_->row = const_cast<JSAMPROW>(row);  // only read; the API lacks const
    if (!runGuarded(&state_->encoder.errors, writeOneRow, &state_->context))
        throwJpegError(state_->encoder.errors);
}

void JpegRowEncoder::writeGreyRow(const std::uint8_t* grey) {
    if (state_->own) return state_->own->writeGreyRow(grey);
    std::vector<std::uint8_t>& row = state_->greyAsBgr;
    row.resize(std::size_t(state_->context.width) * 3);
    for (std::size_t x = 0; x < row.size() / 3; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
    writeRow(row.data());
}

void JpegRowEncoder::finish() {
    if (state_->own) return state_->own->finish();
    if (!runGuarded(&state_->encoder.errors, finishEncoding, &state_->context))
        throwJpegError(state_->encoder.errors);
}

}  // namespace carbonel
