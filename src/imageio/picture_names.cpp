#include "imageio/picture_names.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "sketch/error.h"
#include "sketch/folder_order.h"

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
    throw Error("Unknown picture format");
}

std::string saveNameFor(const std::string& path, SaveType type) {
    const std::string extension = toLowerAscii(fileExtension(path));
    switch (type) {
        case SaveType::Jpeg:
            return extension == ".jpg" || extension == ".jpeg" ? path : path + ".jpg";
        case SaveType::Bmp:
            return extension == ".bmp" ? path : path + ".bmp";
        case SaveType::Metafile:
            return extension == ".wmf" || extension == ".emf" ? path : path + ".wmf";
        case SaveType::Png:
            return extension == ".png" ? path : path + ".png";
    }
    return path;
}

MetafileKind metafileKindFor(const std::string& path) {
    return toLowerAscii(fileExtension(path)) == ".wmf" ? MetafileKind::Wmf : MetafileKind::Emf;
}

SaveType saveTypeForOutput(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == ".jpg" || extension == ".jpeg") return SaveType::Jpeg;
    if (extension == ".bmp") return SaveType::Bmp;
    if (extension == ".wmf" || extension == ".emf") return SaveType::Metafile;
    if (extension == ".png") return SaveType::Png;
    unknownExtension(path);
}

}  // namespace carbonel
