#include "imageio/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "imageio/band_deflate.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// About a megabyte of rows a band: enough that the flush between bands costs nothing, few enough
// that both cores stay busy to the last rows.
constexpr std::size_t kBandBytes = std::size_t(1) << 20;

void putBigEndian(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

// A row as PNG stores it: the Sub filter's type, then each R, G, B less the pixel's on its left.
// Differences first, in the row's own order, then each pixel's B and R swapped: two loops the
// compiler makes wide, where one that did both a pixel at a time was not.
void subFilterRow(const std::uint8_t* bgr, std::uint8_t* out, int width) {
    *out++ = 1;
    const std::size_t bytes = std::size_t(width) * 3;
    for (std::size_t i = 0; i < 3 && i < bytes; ++i) out[i] = bgr[i];
    for (std::size_t i = 3; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(bgr[i] - bgr[i - 3]);
    for (std::size_t i = 0; i < bytes; i += 3) std::swap(out[i], out[i + 2]);
}

}  // namespace

struct PngRowWriter::State {
    std::FILE* out;
    int width, height;
    std::size_t rowBytes;
    std::size_t bandBytes;  // whole filtered rows
    int rows = 0;
    BandDeflate deflate;
    std::vector<std::uint8_t> band;  // the filtered rows gathered

    State(std::FILE* file, int w, int h, int level, int threads)
        : out(file),
          width(w),
          height(h),
          rowBytes(std::size_t(w) * 3),
          bandBytes(std::max<std::size_t>(1, kBandBytes / (rowBytes + 1)) * (rowBytes + 1)),
          deflate(level, threads,
                  [this](std::span<const std::uint8_t> bytes) { chunk("IDAT", bytes); }) {}

    void write(const void* bytes, std::size_t size) {
        if (size != 0 && std::fwrite(bytes, 1, size, out) != size)
            throw Error(std::string("PNG error: cannot write the file (") + std::strerror(errno) +
                        ")");
    }

    void chunk(const char* type, std::span<const std::uint8_t> data) {
        std::uint8_t head[8];
        putBigEndian(head, static_cast<std::uint32_t>(data.size()));
        std::memcpy(head + 4, type, 4);
        uLong crc = crc32(0, head + 4, 4);
        // (zlib takes a null buffer as a request for the start value.)
        if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
        std::uint8_t tail[4];
        putBigEndian(tail, static_cast<std::uint32_t>(crc));
        write(head, sizeof head);
        write(data.data(), data.size());
        write(tail, sizeof tail);
    }

    void sendBand() {
        deflate.add(std::move(band));
        band = deflate.buffer();
    }
};

PngRowWriter::PngRowWriter(std::FILE* out, int width, int height, int level, int threads) {
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF / 3 - 1)
        throw Error("PNG error: a picture of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels cannot be written");
    state_ = std::make_unique<State>(out, width, height, kPngLevel.clamp(level), threads);
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    state_->write(signature, sizeof signature);
    // 8 bits a sample, RGB, deflate, adaptive filtering's method, no interlacing.
    std::uint8_t header[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0};
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header + 4, static_cast<std::uint32_t>(height));
    state_->chunk("IHDR", header);
}

PngRowWriter::~PngRowWriter() = default;

void PngRowWriter::writeRow(const std::uint8_t* row) {
    State& state = *state_;
    if (state.rows == state.height) throw Error("PNG error: more rows than the picture holds");
    // Filtered straight into the band: each row is read once, as it comes.
    if (state.band.capacity() < state.bandBytes) state.band.reserve(state.bandBytes);
    const std::size_t at = state.band.size();
    state.band.resize(at + state.rowBytes + 1);
    subFilterRow(row, state.band.data() + at, state.width);
    ++state.rows;
    if (state.band.size() == state.bandBytes) state.sendBand();
}

void PngRowWriter::finish() {
    State& state = *state_;
    if (state.rows != state.height) throw Error("PNG error: fewer rows than the picture holds");
    if (!state.band.empty()) state.sendBand();
    state.deflate.finish();
    state.chunk("IEND", {});
    if (std::fflush(state.out) != 0) {
        throw Error(std::string("PNG error: cannot write the file (") + std::strerror(errno) + ")");
    }
}

}  // namespace carbonel
