#include "imageio/photo_kinds.h"

#include <array>
#include <cstring>

#include "imageio/file_suffixes.h"
#include "imageio/folder_order.h"
#include "imageio/gif_reader.h"
#include "imageio/heif_reader.h"
#include "imageio/png_reader.h"
#include "imageio/tiff_reader.h"
#include "imageio/webp_reader.h"

namespace carbonel {

// Our own decoders' readers, from photo_reader.cpp.
std::unique_ptr<PhotoReader> openJpegFile(const std::string&, PhotoReading);
std::unique_ptr<PhotoReader> openJpegBytes(std::vector<std::uint8_t>, const std::string&,
                                           PhotoReading);
std::unique_ptr<PhotoReader> openJpegStream(std::FILE*, const std::string&, std::size_t,
                                            PhotoReading);
std::unique_ptr<PhotoReader> openBmpFile(const std::string&, PhotoReading);
std::unique_ptr<PhotoReader> openBmpBytes(std::vector<std::uint8_t>, const std::string&,
                                          PhotoReading);

namespace {

bool startsWith(const unsigned char* bytes, std::size_t size, std::string_view magic,
                std::size_t at = 0) {
    return size >= at + magic.size() && std::memcmp(bytes + at, magic.data(), magic.size()) == 0;
}

bool isJpeg(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, "\xFF\xD8\xFF");
}
bool isBmp(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, "BM");
}
bool isPng(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, "\x89PNG\r\n\x1A\n");
}
bool isTiff(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, std::string_view("II*\0", 4)) ||
           startsWith(b, size, std::string_view("MM\0*", 4));
}
bool isWebp(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, "RIFF") && startsWith(b, size, "WEBP", 8);
}
bool isGif(const unsigned char* b, std::size_t size) {
    return startsWith(b, size, "GIF87a") || startsWith(b, size, "GIF89a");
}
// A HEIF file starts with its file-type box, whose major brand tells the kind.
bool isHeif(const unsigned char* b, std::size_t size) {
    if (!startsWith(b, size, "ftyp", 4)) return false;
    for (std::string_view brand :
         {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
        if (startsWith(b, size, brand, 8)) return true;
    }
    return false;
}

// The libraries' readers that need no reading.
template <std::unique_ptr<PhotoReader> (*open)(PhotoInput)>
std::unique_ptr<PhotoReader> ignoringReading(PhotoInput input, PhotoReading) {
    return open(std::move(input));
}

PhotoKindRow libraryKind(PhotoKind kind, std::string_view name,
                         std::span<const std::string_view> suffix, PhotoKindRow::Filter filter,
                         bool (*matches)(const unsigned char*, std::size_t), bool fromModule,
                         bool streams,
                         std::unique_ptr<PhotoReader> (*open)(PhotoInput, PhotoReading),
                         PhotoKindRow::Filter secondFilter = {}) {
    return {kind,
            name,
            suffix,
            {filter, secondFilter},
            matches,
            fromModule,
            OutputFormat::Png,
            streams,
            open,
            nullptr,
            nullptr,
            nullptr};
}

// Each extension on a dialog line of its own, or all of them on one.
constexpr std::span<const std::string_view> only(std::span<const std::string_view> suffixes,
                                                 std::size_t i) {
    return suffixes.subspan(i, 1);
}

// name, extensions, Open dialog lines, first bytes, from a module, what a batch writes, streams,
// readers
const std::array<PhotoKindRow, 7> kRows{{
    {PhotoKind::Jpeg,
     "jpg",
     kJpegSuffixes,
     {{"JPEG Image File", only(kJpegSuffixes, 0)}, {"JPEG Image File", only(kJpegSuffixes, 1)}},
     isJpeg,
     false,
     OutputFormat::Jpeg,
     true,
     nullptr,
     openJpegFile,
     openJpegBytes,
     openJpegStream},
    {PhotoKind::Bmp,
     "bmp",
     kBmpSuffixes,
     {{"Bitmaps", kBmpSuffixes}, {}},
     isBmp,
     false,
     OutputFormat::Bmp,
     false,
     nullptr,
     openBmpFile,
     openBmpBytes,
     nullptr},
    libraryKind(PhotoKind::Png, "png", kPngSuffixes, {"PNG Image File", kPngSuffixes}, isPng, false,
                true, ignoringReading<openPngRows>),
    libraryKind(PhotoKind::Tiff, "tif", kTiffSuffixes, {"TIFF Image File", kTiffSuffixes}, isTiff,
                true, false, openTiffRows),
    libraryKind(PhotoKind::Webp, "webp", kWebpSuffixes, {"WebP Image File", kWebpSuffixes}, isWebp,
                false, false, ignoringReading<openWebpRows>),
    libraryKind(PhotoKind::Gif, "gif", kGifSuffixes, {"GIF Image File", kGifSuffixes}, isGif, false,
                true, ignoringReading<openGifRows>),
    libraryKind(PhotoKind::Heif, "heic", kHeifSuffixes,
                {"HEIF Image File", std::span(kHeifSuffixes).first(2)}, isHeif, true, false,
                openHeifRows, {"AVIF Image File", only(kHeifSuffixes, 2)}),
}};

}  // namespace

std::span<const PhotoKindRow> photoKinds() {
    return kRows;
}

const PhotoKindRow& photoKindRow(PhotoKind kind) {
    for (const PhotoKindRow& row : kRows) {
        if (row.kind == kind) return row;
    }
    return kRows.front();  // every kind has its row
}

std::optional<PhotoKind> photoKindOfContent(const unsigned char* bytes, std::size_t size) {
    for (const PhotoKindRow& row : kRows) {
        if (row.matches(bytes, size)) return row.kind;
    }
    return std::nullopt;
}

std::optional<PhotoKind> photoKindOfName(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    for (const PhotoKindRow& row : kRows) {
        if (isOneOf(row.suffix, extension)) return row.kind;
    }
    return std::nullopt;
}

std::string photoExtensionList() {
    std::vector<std::string_view> all;
    for (const PhotoKindRow& row : kRows)
        all.insert(all.end(), row.suffix.begin(), row.suffix.end());
    return spokenList(std::span<const std::string_view>(all));
}

std::string openDialogFilter() {
    std::vector<std::string_view> all;
    std::string each;
    for (const PhotoKindRow& row : kRows) {
        all.insert(all.end(), row.suffix.begin(), row.suffix.end());
        for (const PhotoKindRow::Filter& filter : row.openFilters) {
            if (!filter.title.empty()) each += ";;" + dialogFilter(filter.title, filter.suffix);
        }
    }
    return dialogFilter("All", all) + each;
}

}  // namespace carbonel
