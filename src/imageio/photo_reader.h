#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// A photo opened for reading: its size is known at once (the header is read), and its rows come
// one at a time, top to bottom, upright unless read as stored. Every failure names the photo.
class PhotoReader {
  public:
    // Receives row y (width pixels, B, G, R); it must copy what it keeps.
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;

    virtual ~PhotoReader() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Hands every row to `sink`, once; a photo that fails anywhere, after its last row too, fails
    // here.
    virtual void readRows(const RowSink& sink) = 0;

    // Where row y may be decoded straight into (width pixels), asked just before it is: a reader
    // that can writes the row there and hands the sink that very place, sparing a copy.
    using RowPlace = std::function<std::uint8_t*(int y)>;
    virtual void readRowsInto(const RowPlace& place, const RowSink& sink) {
        static_cast<void>(place);
        readRows(sink);
    }
};

// The most standard input a kind not read in order (BMP, TIFF, WebP, HEIF) may hold in memory.
inline constexpr std::size_t kMaxHeldInput = std::size_t{1} << 30;

// Opens a photo file of the kind its name's own extension tells (photoKindFor).
std::unique_ptr<PhotoReader> openPhotoFile(const std::string& path,
                                           PhotoReading reading = PhotoReading::Upright);

// Opens a photo held in memory, of the kind given or else the one its first bytes tell; `name`
// (when given) is put in front of every message.
std::unique_ptr<PhotoReader> openPhotoBytes(std::vector<std::uint8_t> bytes,
                                            PhotoReading reading = PhotoReading::Upright,
                                            const std::string& name = "",
                                            std::optional<PhotoKind> kind = std::nullopt);

// Opens a photo arriving on a file descriptor (standard input), of the kind its first bytes tell.
// A JPEG, PNG or GIF is decoded as it arrives; any other kind is held in memory, at most
// kMaxHeldInput bytes.
// Anything else is refused after its first bytes, with "NAME: Unknown picture format".
std::unique_ptr<PhotoReader> openPhotoStream(int fd, PhotoReading reading, const std::string& name);

// The reader, each failure of its rows (our errors, and running out of memory) thrown again with
// `describe` applied to its message ("frame 2: " + it, say).
std::unique_ptr<PhotoReader> describingFailures(
    std::unique_ptr<PhotoReader> reader,
    std::function<std::string(const std::string& message)> describe);

// A picture in memory handed out as a photo's rows.
std::unique_ptr<PhotoReader> rasterRows(Raster picture);

// Every row of the photo, as one picture.
Raster readAllRows(PhotoReader& reader);

// A photo file read whole: openPhotoFile, then readAllRows.
Raster loadPicture(const std::string& path, PhotoReading reading = PhotoReading::Upright);

// A photo in memory read whole: openPhotoBytes, then readAllRows.
Raster decodePicture(std::vector<std::uint8_t> bytes, std::optional<PhotoKind> kind = std::nullopt);

}  // namespace carbonel
