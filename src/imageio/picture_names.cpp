#include "imageio/picture_names.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "imageio/file_suffixes.h"
#include "imageio/folder_order.h"
#include "imageio/output_formats.h"
#include "imageio/photo_kinds.h"
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

}  // namespace

PhotoKind photoKindFor(const std::string& path) {
    if (const std::optional<PhotoKind> kind = photoKindOfName(path)) return *kind;
    unknownExtension(path);
}

const char* photoKindExtension(PhotoKind kind) {
    return photoKindRow(kind).suffix.front().data() + 1;
}

bool isPhotoName(const std::string& path) {
    return photoKindOfName(path).has_value();
}

PhotoKind photoKindOfBytes(const unsigned char* bytes, std::size_t size) {
    if (const std::optional<PhotoKind> kind = photoKindOfContent(bytes, size)) return *kind;
    throw Error("Unknown picture format");
}

std::string saveNameFor(const std::string& path, OutputFormat format) {
    const std::string extension = toLowerAscii(fileExtension(path));
    const OutputFormatRow& wanted = outputFormatRow(format);
    for (const OutputFormatRow& row : outputFormats()) {
        if (row.family == wanted.family && isOneOf(row.suffix, extension)) return path;
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

std::optional<OutputFormat> outputFormatOfName(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    for (const OutputFormatRow& row : outputFormats()) {
        if (isOneOf(row.suffix, extension)) return row.format;
    }
    return std::nullopt;
}

OutputFormat outputFormatFor(const std::string& path) {
    if (const std::optional<OutputFormat> format = outputFormatOfName(path)) return *format;
    unknownExtension(path);
}

}  // namespace carbonel
