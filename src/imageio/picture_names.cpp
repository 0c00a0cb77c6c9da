#include "imageio/picture_names.h"

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

}  // namespace

PhotoKind photoKindFor(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == ".jpg" || extension == ".jpeg") return PhotoKind::Jpeg;
    if (extension == ".bmp") return PhotoKind::Bmp;
    unknownExtension(path);
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
    unknownExtension(path);
}

}  // namespace carbonel
