#include "imageio/picture_names.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "imageio/folder_order.h"
#include "imageio/output_formats.h"
#include "sketch/error.h"

namespace carbonel {

std::string fileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return "";
    return path.substr(dot);
}

namespace {

[[noreturn]] void unknownExtension(const std::string& path) {
    const std::string extension = fileExtension(path);
    throw Error("Unknown picture file extension (." +
                (extension.empty() ? std::string() : extension.substr(1)) + ")");
}

std::optional<PhotoKind> knownPhotoKind(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == ".jpg" || extension == ".jpeg") return PhotoKind::Jpeg;
    if (extension == ".bmp") return PhotoKind::Bmp;
    if (extension == ".png") return PhotoKind::Png;
    if (extension == ".tif" || extension == ".tiff") return PhotoKind::Tiff;
    if (extension == ".webp") return PhotoKind::Webp;
    if (extension == ".gif") return PhotoKind::Gif;
    if (extension == ".heic" || extension == ".heif" || extension == ".avif")
        return PhotoKind::Heif;
    return std::nullopt;
}

}  // namespace

PhotoKind photoKindFor(const std::string& path) {
    if (const std::optional<PhotoKind> kind = knownPhotoKind(path)) return *kind;
    unknownExtension(path);
}

const char* photoKindExtension(PhotoKind kind) {
    switch (kind) {
        case PhotoKind::Jpeg:
            return "jpg";
        case PhotoKind::Bmp:
            return "bmp";
        case PhotoKind::Png:
            return "png";
        case PhotoKind::Tiff:
            return "tif";
        case PhotoKind::Webp:
            return "webp";
        case PhotoKind::Gif:
            return "gif";
        case PhotoKind::Heif:
            return "heic";
    }
    return "";
}

bool isPhotoName(const std::string& path) {
    return knownPhotoKind(path).has_value();
}

PhotoKind photoKindOfBytes(const unsigned char* b, std::size_t size) {
    auto starts = [&](std::string_view magic, std::size_t at = 0) {
        return size >= at + magic.size() && std::memcmp(b + at, magic.data(), magic.size()) == 0;
    };
    if (starts("\xFF\xD8\xFF")) return PhotoKind::Jpeg;
    if (starts("BM")) return PhotoKind::Bmp;
    if (starts("\x89PNG\r\n\x1A\n")) return PhotoKind::Png;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)))
        return PhotoKind::Tiff;
    if (starts("RIFF") && starts("WEBP", 8)) return PhotoKind::Webp;
    if (starts("GIF87a") || starts("GIF89a")) return PhotoKind::Gif;
    // A HEIF file starts with its file-type box, whose major brand tells the kind.
    if (starts("ftyp", 4)) {
        for (const char* brand :
             {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
            if (starts(brand, 8)) return PhotoKind::Heif;
        }
    }
    throw Error("Unknown picture format");
}

std::string saveNameFor(const std::string& path, OutputFormat format) {
    const std::string extension = toLowerAscii(fileExtension(path));
    const OutputFormatRow& wanted = outputFormatRow(format);
    for (const OutputFormatRow& row : outputFormats()) {
        if (row.family != wanted.family) continue;
        for (std::string_view suffix : row.suffix) {
            if (extension == suffix) return path;
        }
    }
    return path + std::string(wanted.suffix.front());
}

const char* outputExtension(OutputFormat format) {
    return outputFormatRow(format).suffix.front().data();
}

bool isVectorFormat(OutputFormat format) {
    return outputFormatRow(format).vector;
}

std::optional<OutputFormat> outputFormatNamed(const std::string& name) {
    for (const OutputFormatRow& row : outputFormats()) {
        if (row.name == name) return row.format;
    }
    return std::nullopt;
}

OutputFormat outputFormatFor(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    for (const OutputFormatRow& row : outputFormats()) {
        for (std::string_view suffix : row.suffix) {
            if (extension == suffix) return row.format;
        }
    }
    unknownExtension(path);
}

}  // namespace carbonel
