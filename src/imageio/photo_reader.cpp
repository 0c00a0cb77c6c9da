#include "imageio/photo_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imageio/bmp_reader.h"
#include "imageio/file_bytes.h"
#include "imageio/gif_reader.h"
#include "imageio/heif_reader.h"
#include "imageio/jpeg_codec.h"
#include "imageio/orientation.h"
#include "imageio/png_reader.h"
#include "imageio/tiff_reader.h"
#include "imageio/webp_reader.h"
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

  private:
    std::unique_ptr<PhotoReader> reader_;
    std::function<std::string(const std::string&)> describe_;
};

std::unique_ptr<PhotoReader> openLibraryRows(PhotoKind kind, PhotoInput input,
                                             PhotoReading reading) {
    switch (kind) {
        case PhotoKind::Png:
            return openPngRows(std::move(input));
        case PhotoKind::Tiff:
            return openTiffRows(std::move(input), reading);
        case PhotoKind::Webp:
            return openWebpRows(std::move(input));
        case PhotoKind::Gif:
            return openGifRows(std::move(input));
        case PhotoKind::Heif:
            return openHeifRows(std::move(input), reading);
        case PhotoKind::Jpeg:
        case PhotoKind::Bmp:
            break;
    }
    throw Error("Not a photo read through a library");
}

// The kind a photo's first bytes tell, which wins over its name's (a WebP saved as ".png" is read
// as a WebP). A JPEG or BMP under another kind's name is refused, as before; bytes no kind knows
// are left to the named kind's library to refuse.
PhotoKind kindOfContent(PhotoInput& input, PhotoKind named) {
    std::uint8_t start[16];
    const std::size_t got = input.read(start, sizeof start);
    if (!input.seek(0)) throw Error("Cannot read file " + input.name() + " from its start");
    PhotoKind kind = named;
    try {
        kind = photoKindOfBytes(start, got);
    } catch (const Error&) {
        return named;
    }
    if (kind == PhotoKind::Jpeg || kind == PhotoKind::Bmp)
        throw Error(aboutFile(input.name(), "Not a PNG, TIFF, WebP, GIF or HEIF picture"));
    return kind;
}

// A reader of the kinds read through their own libraries, whose failures all name the photo.
std::unique_ptr<PhotoReader> libraryRows(PhotoKind kind, PhotoInput input, PhotoReading reading) {
    auto named = [name = input.name()](const std::string& message) {
        return aboutFile(name, message);
    };
    return describingFailures(
        describing(named, [&] { return openLibraryRows(kind, std::move(input), reading); }), named);
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

std::unique_ptr<PhotoReader> openPhotoFile(const std::string& path, PhotoReading reading) {
    switch (photoKindFor(path)) {
        case PhotoKind::Jpeg:
            return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(path), reading);
        case PhotoKind::Bmp:
            return std::make_unique<BmpRowReader>(path);
        case PhotoKind::Png:
        case PhotoKind::Tiff:
        case PhotoKind::Webp:
        case PhotoKind::Gif:
        case PhotoKind::Heif: {
            PhotoInput input = PhotoInput::openFile(path);
            const PhotoKind kind = kindOfContent(input, photoKindFor(path));
            return libraryRows(kind, std::move(input), reading);
        }
    }
    return nullptr;
}

std::unique_ptr<PhotoReader> openPhotoBytes(std::vector<std::uint8_t> bytes, PhotoReading reading,
                                            const std::string& name,
                                            std::optional<PhotoKind> kind) {
    if (!kind) kind = kindOfBytes(bytes, name);
    switch (*kind) {
        case PhotoKind::Jpeg:
            return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(std::move(bytes), name),
                                              reading);
        case PhotoKind::Bmp:
            return std::make_unique<BmpRowReader>(std::move(bytes), name);
        case PhotoKind::Png:
        case PhotoKind::Tiff:
        case PhotoKind::Webp:
        case PhotoKind::Gif:
        case PhotoKind::Heif:
            return libraryRows(*kind, PhotoInput(std::move(bytes), name), reading);
    }
    return nullptr;
}

std::unique_ptr<PhotoReader> openPhotoStream(int fd, PhotoReading reading,
                                             const std::string& name) {
    // Enough to tell every kind (WebP needs 12).
    std::vector<std::uint8_t> start(16);
    start.resize(readFully(fd, start.data(), start.size(), name));
    const PhotoKind kind = kindOfBytes(start, name);
    // JPEG, PNG and GIF are decoded as they arrive, from a stream that hands out the first bytes
    // again.
    if (kind == PhotoKind::Jpeg || kind == PhotoKind::Png || kind == PhotoKind::Gif) {
        auto* cookie = new PrefixedStream{std::move(start), 0, fd};
        std::FILE* stream =
            ::fopencookie(cookie, "rb", {readPrefixed, nullptr, nullptr, closePrefixed});
        if (!stream) {
            delete cookie;
            throw Error("Cannot read " + name + ": " + std::strerror(errno));
        }
        if (kind != PhotoKind::Jpeg)
            return libraryRows(kind, PhotoInput::fromStream(stream, name), reading);
        struct stat status {};
        const std::size_t sizeHint = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)
                                         ? static_cast<std::size_t>(status.st_size)
                                         : kPipeSizeHint;
        return std::make_unique<JpegRows>(std::make_unique<JpegDecoder>(stream, name, sizeHint),
                                          reading);
    }
    // The other kinds are held: BMP rows lie bottom-up, TIFF and HEIF are read out of order, and a
    // large WebP is read again for each band.
    std::vector<std::uint8_t> bytes = std::move(start);
    std::uint8_t buffer[1 << 16];
    for (std::size_t got; (got = readFully(fd, buffer, sizeof buffer, name)) > 0;) {
        if (bytes.size() + got > kMaxHeldInput) {
            throw Error(name + ": a " + photoKindExtension(kind) +
                        " picture on standard input may hold at most " +
                        std::to_string(kMaxHeldInput >> 20) + " MiB");
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return openPhotoBytes(std::move(bytes), reading, name, kind);
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
