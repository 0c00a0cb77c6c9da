#include "imageio/bmp_reader.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imageio/bmp_rle.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kAlphaBitfields = 6,
};

[[noreturn]] void invalid(const std::string& why) {
    throw Error("Bitmap image is not valid: " + why);
}

// Little-endian fields at a checked offset of the file.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t size() const { return size_; }
    const std::uint8_t* at(std::uint64_t offset, std::uint64_t length, const char* what) const {
        if (offset > size_ || length > size_ - offset)
            invalid(std::string("the file ends in ") + what);
        return data_ + offset;
    }
    std::uint32_t u16(std::uint64_t offset) const {
        const std::uint8_t* p = at(offset, 2, "the header");
        return p[0] | (p[1] << 8);
    }
    std::uint32_t u32(std::uint64_t offset) const {
        const std::uint8_t* p = at(offset, 4, "the header");
        return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
    }
    std::int32_t i32(std::uint64_t offset) const { return static_cast<std::int32_t>(u32(offset)); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct Header {
    std::uint64_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // of the picture; negative in the file for top-down rows
    bool topDown = false;
    std::uint32_t bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t coloursUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
};

// One colour channel held under a bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        maximum = mask >> shift;
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (maximum == 0) return 0;
        const std::uint64_t value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
    }
};

Header readHeader(const Bytes& file) {
    if (file.size() < 2 || std::memcmp(file.at(0, 2, "the header"), "BM", 2) != 0)
        invalid("not a BMP file");
    Header header;
    header.pixelOffset = file.u32(10);
    header.headerSize = file.u32(14);
    if (header.headerSize == 12) {  // the old OS/2 header: 16-bit sides, 3-byte palette entries
        header.width = file.u16(18);
        header.height = file.u16(20);
        header.bits = file.u16(24);
    } else if (header.headerSize == 40 || header.headerSize == 52 || header.headerSize == 56 ||
               header.headerSize == 64 || header.headerSize == 108 || header.headerSize == 124) {
        header.width = file.i32(18);
        header.height = file.i32(22);
        header.bits = file.u16(28);
        header.compression = file.u32(30);
        header.coloursUsed = file.u32(46);
        if (header.compression == kBitfields || header.compression == kAlphaBitfields) {
            // The masks follow a 40-byte header; longer headers hold them themselves.
            for (int i = 0; i < 3; ++i) header.masks[i] = file.u32(14 + 40 + 4 * i);
        }
    } else {
        invalid("unknown header size " + std::to_string(header.headerSize));
    }
    if (header.height < 0) {
        header.topDown = true;
        header.height = -header.height;
    }
    if (header.width <= 0 || header.height <= 0) invalid("the picture has no pixels");
    if (header.width > kMaxPictureSide || header.height > kMaxPictureSide)
        checkPictureSize(static_cast<int>(std::min<std::int64_t>(header.width, INT32_MAX)),
                         static_cast<int>(std::min<std::int64_t>(header.height, INT32_MAX)));
    const std::uint32_t bits = header.bits;
    const bool rle = header.compression == kRle8 || header.compression == kRle4;
    if (header.compression == kRle8 && bits != 8) invalid("RLE8 needs 8 bits per pixel");
    if (header.compression == kRle4 && bits != 4) invalid("RLE4 needs 4 bits per pixel");
    if (rle && header.topDown) invalid("compressed rows cannot run top-down");
    if ((header.compression == kBitfields || header.compression == kAlphaBitfields) && bits != 16 &&
        bits != 32) {
        invalid("bit fields need 16 or 32 bits per pixel");
    }
    if (header.compression != kRgb && !rle && header.compression != kBitfields &&
        header.compression != kAlphaBitfields) {
        invalid("unsupported compression " + std::to_string(header.compression));
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        invalid(std::to_string(bits) + " bits per pixel");
    if (header.compression == kRgb && bits == 16) {
        header.masks[0] = 0x7C00, header.masks[1] = 0x03E0, header.masks[2] = 0x001F;
    } else if (header.compression == kRgb && bits == 32) {
        header.masks[0] = 0xFF0000, header.masks[1] = 0x00FF00, header.masks[2] = 0x0000FF;
    }
    return header;
}

struct Palette {
    std::vector<std::uint8_t> bgr;  // three bytes an entry
    std::size_t count() const { return bgr.size() / 3; }
};

Palette readPalette(const Bytes& file, const Header& header) {
    Palette palette;
    if (header.bits > 8) return palette;
    const std::uint32_t full = 1u << header.bits;
    const std::uint32_t count =
        header.coloursUsed == 0 || header.coloursUsed > full ? full : header.coloursUsed;
    const std::uint32_t entry = header.headerSize == 12 ? 3 : 4;
    std::uint64_t start = 14 + std::uint64_t{header.headerSize};
    if (header.headerSize == 40 &&
        (header.compression == kBitfields || header.compression == kAlphaBitfields)) {
        start += header.compression == kBitfields ? 12 : 16;
    }
    const std::uint8_t* p = file.at(start, std::uint64_t{count} * entry, "the colour table");
    palette.bgr.resize(std::size_t{count} * 3);
    for (std::uint32_t i = 0; i < count; ++i) std::memcpy(&palette.bgr[i * 3], p + i * entry, 3);
    return palette;
}

// An index the colour table does not have shows black.
void putIndexed(std::uint8_t* out, const Palette& palette, std::uint32_t index) {
    if (index < palette.count()) {
        std::memcpy(out, &palette.bgr[index * 3], 3);
    } else {
        out[0] = out[1] = out[2] = 0;
    }
}

void decodeRow(const std::uint8_t* in, std::uint8_t* out, const Header& header,
               const Palette& palette, const Channel (&channels)[3]) {
    const int width = static_cast<int>(header.width);
    switch (header.bits) {
        case 1:
        case 4:
        case 8: {
            const std::uint32_t bits = header.bits;
            const std::uint32_t mask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x) {
                const std::uint64_t bit = std::uint64_t(x) * bits;
                const std::uint32_t index = (in[bit / 8] >> (8 - bits - bit % 8)) & mask;
                putIndexed(out + 3 * x, palette, index);
            }
            break;
        }
        case 24:
            std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
            break;
        default: {
            const bool wide = header.bits == 32;
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = in + (wide ? 4 : 2) * x;
                const std::uint32_t pixel =
                    wide ? p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24)
                         : std::uint32_t(p[0] | (p[1] << 8));
                out[3 * x] = channels[2](pixel);
                out[3 * x + 1] = channels[1](pixel);
                out[3 * x + 2] = channels[0](pixel);
            }
        }
    }
}

// Where each row's data starts (indexed from the bottom), found by one walk over the whole data
// without making a pixel: a file cut off is refused before its first row.
std::vector<RleRowStart> indexRle(const Bytes& file, const Header& header) {
    const std::size_t height = static_cast<std::size_t>(header.height);
    std::vector<RleRowStart> starts(height);
    const std::uint8_t* data = file.at(header.pixelOffset, 0, "the pixels");
    if (height > 0) starts[0] = RleRowStart{0, 0};
    walkRle(
        data, file.size() - header.pixelOffset, header.compression == kRle4, height, starts[0], 0,
        false, [](std::size_t, std::uint8_t) {},
        [&](std::size_t y, RleRowStart start) {
            if (y < height) starts[y] = start;
        });
    return starts;
}

// The colour indices of one row, from where its data starts.
void decodeRleRow(const Bytes& file, const Header& header, RleRowStart start,
                  std::vector<std::uint8_t>& indices) {
    std::fill(indices.begin(), indices.end(), 0);
    if (start.at == RleRowStart::kNone) return;
    const std::uint8_t* data = file.at(header.pixelOffset, 0, "the pixels");
    walkRle(
        data, file.size() - header.pixelOffset, header.compression == kRle4,
        static_cast<std::size_t>(header.height), start, 0, true,
        [&](std::size_t x, std::uint8_t index) {
            if (x < indices.size()) indices[x] = index;
        },
        [](std::size_t, RleRowStart) {});
}

// Bytes per row in the file: padded to four bytes.
std::uint64_t rowStride(const Header& header) {
    return (std::uint64_t(header.width) * header.bits + 31) / 32 * 4;
}

// Every row must be in the file before a pixel is made: a cut-off file is refused whole.
void checkRowsPresent(const Header& header, std::uint64_t fileSize) {
    const std::uint64_t needed = rowStride(header) * std::uint64_t(header.height);
    if (header.pixelOffset > fileSize || needed > fileSize - header.pixelOffset) {
        const std::uint64_t present =
            header.pixelOffset > fileSize ? 0 : fileSize - header.pixelOffset;
        invalid("the file is cut off: it holds " + std::to_string(present) + " of the " +
                std::to_string(needed) + " bytes of pixels its header promises");
    }
}

}  // namespace

// Where the rows come from: an open file, read at the offsets asked for, or bytes in memory.
struct BmpRowReader::State {
    std::string name;  // for messages
    std::FILE* file = nullptr;
    std::uint64_t size = 0;
    std::vector<std::uint8_t> bytes;  // the whole file in memory, or its start: headers and colours
    bool whole = false;               // `bytes` holds the whole file
    Header header;
    Palette palette;
    ~State() {
        if (file) std::fclose(file);
    }

    // Reads `length` bytes at `offset` into `out`; false when the file holds fewer.
    bool readAt(std::uint64_t offset, std::uint8_t* out, std::size_t length) {
        if (offset > size || length > size - offset) return false;
        if (whole) {
            std::memcpy(out, bytes.data() + offset, length);
            return true;
        }
        return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
               std::fread(out, 1, length, file) == length;
    }
    // Fails naming the file.
    template <typename Step>
    auto named(const Step& step) {
        try {
            return step();
        } catch (const Error& error) {
            throw Error(aboutFile(name, error.what()));
        }
    }
};

BmpRowReader::BmpRowReader(const std::string& path) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.name = path;
    s.file = openForReading(path, s.size);
    // Headers and a colour table fit in the first 2 KB.
    s.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(s.size, 2048)));
    if (std::fread(s.bytes.data(), 1, s.bytes.size(), s.file) != s.bytes.size())
        throw Error("Cannot read file " + path + ": " + std::strerror(errno));
    readHeaders();
}

BmpRowReader::BmpRowReader(std::vector<std::uint8_t> bytes, const std::string& name)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.name = name;
    s.size = bytes.size();
    s.bytes = std::move(bytes);
    s.whole = true;
    readHeaders();
}

void BmpRowReader::readHeaders() {
    State& s = *state_;
    s.named([&] {
        const Bytes start(s.bytes.data(), s.bytes.size());
        s.header = readHeader(start);
        s.palette = readPalette(start, s.header);
        if (!runLengthCoded()) checkRowsPresent(s.header, s.size);
    });
}

BmpRowReader::~BmpRowReader() = default;

int BmpRowReader::width() const {
    return static_cast<int>(state_->header.width);
}
int BmpRowReader::height() const {
    return static_cast<int>(state_->header.height);
}

bool BmpRowReader::runLengthCoded() const {
    return state_->header.compression == kRle8 || state_->header.compression == kRle4;
}

void BmpRowReader::readRows(const RowSink& sink) {
    State& s = *state_;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width()) * 3);
    if (runLengthCoded()) {
        // Run-length coded rows cannot be found without the rows before them: where each starts
        // is found first, then the rows are decoded top to bottom.
        if (!s.whole) {
            std::vector<std::uint8_t> file(static_cast<std::size_t>(s.size));
            if (!s.readAt(0, file.data(), file.size()))
                throw Error("Cannot read file " + s.name + ": " + std::strerror(errno));
            s.bytes = std::move(file);
            s.whole = true;
        }
        const Bytes file(s.bytes.data(), s.bytes.size());
        const std::vector<RleRowStart> starts = s.named([&] { return indexRle(file, s.header); });
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width()));
        for (int y = 0; y < height(); ++y) {
            decodeRleRow(file, s.header, starts[static_cast<std::size_t>(height() - 1 - y)], row);
            for (std::size_t x = 0; x < row.size(); ++x) putIndexed(&out[3 * x], s.palette, row[x]);
            sink(y, out.data());
        }
        return;
    }
    const Channel channels[3] = {Channel(s.header.masks[0]), Channel(s.header.masks[1]),
                                 Channel(s.header.masks[2])};
    const std::uint64_t stride = rowStride(s.header);
    std::vector<std::uint8_t> in(static_cast<std::size_t>(stride));
    for (int y = 0; y < height(); ++y) {
        const int fileRow = s.header.topDown ? y : height() - 1 - y;
        const std::uint64_t at = s.header.pixelOffset + stride * std::uint64_t(fileRow);
        if (!s.readAt(at, in.data(), in.size())) {
            throw Error(aboutFile(s.name, "Bitmap image is not valid: the file is cut off"));
        }
        decodeRow(in.data(), out.data(), s.header, s.palette, channels);
        sink(y, out.data());
    }
}

}  // namespace carbonel
