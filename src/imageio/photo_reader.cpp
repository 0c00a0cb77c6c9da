#include "imageio/photo_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imageio/bmp_reader.h"
#include "imageio/file_bytes.h"
#include "imageio/jpeg_codec.h"
#include "imageio/orientation.h"
#include "imageio/photo_kinds.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

class RasterRows : public PhotoReader {
  public:
    explicit RasterRows(Raster picture) : picture_(std::move(picture)) {}
    int width() const override { return picture_.width(); }
    int height() const override { return picture_.height(); }
    void readRows(const RowSink& sink) override {
        for (int y = 0; y < picture_.height(); ++y) sink(y, picture_.rowUnchecked(y));
    }

  private:
    Raster picture_;
};

class JpegRows : public UprightRows {
  public:
    JpegRows(std::unique_ptr<JpegDecoder> decoder, PhotoReading reading)
        : decoder_(std::move(decoder)) {
        setStored(decoder_->width(), decoder_->height(), decoder_->orientation(reading));
    }

  private:
    void readStoredRows(const RowSink& sink) override { decoder_->decodeRows(sink); }
    void readStoredRowsInto(const RowPlace& place, const RowSink& sink) override {
        decoder_->decodeRows(sink, place);
    }

    std::unique_ptr<JpegDecoder> decoder_;
};

// Runs `step`; its failures are thrown again, described.
template <typename Step, typename Describe>
auto describing(const Describe& describe, const Step& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw Error(describe("Not enough memory to read the picture"));
    } catch (const Error& error) {
        throw Error(describe(error.what()));
    }
}

class DescribedRows : public PhotoReader {
  public:
    DescribedRows(std::unique_ptr<PhotoReader> reader,
                  std::function<std::string(const std::string&)> describe)
        : reader_(std::move(reader)), describe_(std::move(describe)) {}
    int width() const override { return reader_->width(); }
    int height() const override { return reader_->height(); }
    void readRows(const RowSink& sink) override {
        describing(describe_, [&] { reader_->readRows(sink); });
    }
    void readRowsInto(const RowPlace& place, const RowSink& sink) override {
        describing(describe_, [&] { reader_->readRowsInto(place, sink); });
    }

  private:
    std::unique_ptr<PhotoReader> reader_;
    std::function<std::string(const std::string&)> describe_;
};

// A reader of the kinds read through their own libraries, whose failures all name the photo.
std::unique_ptr<PhotoReader> libraryRows(const PhotoKindRow& row, PhotoInput input,
                                         PhotoReading reading) {
    auto named = [name = input.name()](const std::string& message) {
        return aboutFile(name, message);
    };
    return describingFailures(
        describing(named, [&] { return row.openInput(std::move(input), reading); }), named);
}

// The kind a file's first bytes tell, or else the one its name tells (whose reader then says
// what is wrong with it): the content decides, so a JPEG saved as ".png" is read as a JPEG.
PhotoKind kindOfFile(const std::string& path, PhotoKind named) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return named;  // its reader says why it cannot be opened
    unsigned char start[16];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return photoKindOfContent(start, got).value_or(named);
}

// A stream of which the first bytes were read already to tell its kind: a FILE that hands those
// out first, then reads the descriptor, so that libjpeg reads it as it arrives.
struct PrefixedStream {
    std::vector<std::uint8_t> prefix;
    std::size_t at = 0;
    int fd;
};

ssize_t readPrefixed(void* cookie, char* buffer, std::size_t size) {
    auto* stream = static_cast<PrefixedStream*>(cookie);
    if (stream->at < stream->prefix.size()) {
        const std::size_t n = std::min(size, stream->prefix.size() - stream->at);
        std::memcpy(buffer, stream->prefix.data() + stream->at, n);
        stream->at += n;
        return static_cast<ssize_t>(n);
    }
    for (;;) {
        const ssize_t got = ::read(stream->fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

int closePrefixed(void* cookie) {
    delete static_cast<PrefixedStream*>(cookie);
    return 0;
}

// Reads up to `size` bytes, fewer only at the end of the stream.
std::size_t readFully(int fd, std::uint8_t* out, std::size_t size, const std::string& name) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error("Cannot read " + name + ": " + std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// The kind of a photo from its first bytes, failing with the photo's name.
PhotoKind kindOfBytes(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    try {
        return photoKindOfBytes(bytes.data(), bytes.size());
    } catch (const Error& error) {
        throw Error(aboutFile(name, error.what()));
    }
}

// A JPEG from a pipe has no size to measure; its decoder may take as much memory as that of a
// 4 MiB file (1 GiB), enough for the coefficients of a 16384-square progressive photo.
constexpr std::size_t kPipeSizeHint = std::size_t{4} << 20;

}  // namespace

std::unique_ptr<PhotoReader> openJpegFile(const std::string& path, PhotoReading reading) {
    return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(path), reading);
}

std::unique_ptr<PhotoReader> openJpegBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                                           PhotoReading reading) {
    return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(std::move(bytes), name),
                                      reading);
}

std::unique_ptr<PhotoReader> openJpegStream(std::FILE* stream, const std::string& name,
                                            std::size_t sizeHint, PhotoReading reading) {
    return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(stream, name, sizeHint),
                                      reading);
}

std::unique_ptr<PhotoReader> openBmpFile(const std::string& path, PhotoReading) {
    return std::make_unique<BmpRowReader>(path);
}

std::unique_ptr<PhotoReader> openBmpBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                                          PhotoReading) {
    return std::make_unique<BmpRowReader>(std::move(bytes), name);
}

std::unique_ptr<PhotoReader> openPhotoFile(const std::string& path, PhotoReading reading) {
    const PhotoKind named = photoKindFor(path);
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
        !S_ISDIR(status.st_mode)) {
        // A named pipe's first bytes can be read once only: it is read whole, then told.
        PhotoInput input = PhotoInput::openFile(path);
        std::vector<std::uint8_t> bytes = input.wholeBytes();
        const PhotoKind kind = photoKindOfContent(bytes.data(), bytes.size()).value_or(named);
        return openPhotoBytes(std::move(bytes), reading, path, kind);
    }
    const PhotoKindRow& row = photoKindRow(kindOfFile(path, named));
    if (!row.openInput) return row.openFile(path, reading);
    return libraryRows(row, PhotoInput::openFile(path), reading);
}

std::unique_ptr<PhotoReader> openPhotoBytes(std::vector<std::uint8_t> bytes, PhotoReading reading,
                                            const std::string& name,
                                            std::optional<PhotoKind> kind) {
    if (!kind) kind = kindOfBytes(bytes, name);
    const PhotoKindRow& row = photoKindRow(*kind);
    if (!row.openInput) return row.openBytes(std::move(bytes), name, reading);
    return libraryRows(row, PhotoInput(std::move(bytes), name), reading);
}

std::unique_ptr<PhotoReader> openPhotoStream(int fd, PhotoReading reading,
                                             const std::string& name) {
    // Enough to tell every kind (WebP needs 12).
    std::vector<std::uint8_t> start(16);
    start.resize(readFully(fd, start.data(), start.size(), name));
    const PhotoKindRow& row = photoKindRow(kindOfBytes(start, name));
    // JPEG, PNG and GIF are decoded as they arrive, from a stream that hands out the first bytes
    // again.
    if (row.streams) {
        auto* cookie = new PrefixedStream{std::move(start), 0, fd};
        std::FILE* stream =
            ::fopencookie(cookie, "rb", {readPrefixed, nullptr, nullptr, closePrefixed});
        if (!stream) {
            delete cookie;
            throw Error("Cannot read " + name + ": " + std::strerror(errno));
        }
        if (row.openInput) return libraryRows(row, PhotoInput::fromStream(stream, name), reading);
        struct stat status {};
        const std::size_t sizeHint = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)
                                         ? static_cast<std::size_t>(status.st_size)
                                         : kPipeSizeHint;
        return row.openStream(stream, name, sizeHint, reading);
    }
    // The other kinds are held: BMP rows lie bottom-up, TIFF and HEIF are read out of order, and a
    // large WebP is read again for each band.
    std::vector<std::uint8_t> bytes = std::move(start);
    std::uint8_t buffer[1 << 16];
    for (std::size_t got; (got = readFully(fd, buffer, sizeof buffer, name)) > 0;) {
        if (bytes.size() + got > kMaxHeldInput) {
            throw Error(name + ": a " + std::string(row.name) +
                        " picture on standard input may hold at most " +
                        std::to_string(kMaxHeldInput >> 20) + " MiB");
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return openPhotoBytes(std::move(bytes), reading, name, row.kind);
}

std::unique_ptr<PhotoReader> describingFailures(
    std::unique_ptr<PhotoReader> reader,
    std::function<std::string(const std::string& message)> describe) {
    return std::make_unique<DescribedRows>(std::move(reader), std::move(describe));
}

std::unique_ptr<PhotoReader> rasterRows(Raster picture) {
    return std::make_unique<RasterRows>(std::move(picture));
}

Raster readAllRows(PhotoReader& reader) {
    // A picture may be a sketch, one pixel larger than the largest photo.
    checkPictureSize(reader.width(), reader.height());
    Raster picture = Raster::uninitialized(reader.width(), reader.height());
    const std::size_t rowBytes = std::size_t(picture.width()) * 3;
    reader.readRows([&](int y, const std::uint8_t* row) {
        std::memcpy(picture.mutableRowUnchecked(y), row, rowBytes);
    });
    return picture;
}

Raster loadPicture(const std::string& path, PhotoReading reading) {
    try {
        return readAllRows(*openPhotoFile(path, reading));
    } catch (const Error& error) {
        throw Error(aboutFile(path, error.what()));
    }
}

Raster decodePicture(std::vector<std::uint8_t> bytes, std::optional<PhotoKind> kind) {
    return readAllRows(*openPhotoBytes(std::move(bytes), PhotoReading::Upright, "", kind));
}

}  // namespace carbonel
