#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/photo_input.h"
#include "imageio/picture_names.h"

namespace carbonel {

class PhotoReader;

// Everything the programs know of one kind of photo. A new kind is a row here and its reader.
struct PhotoKindRow {
    PhotoKind kind;
    std::string_view name;                     // for messages ("a webp picture")
    std::span<const std::string_view> suffix;  // its extensions, the usual one first
    // Its lines of the Open dialog: a title and the extensions it shows (a second line where the
    // title is not empty).
    struct Filter {
        std::string_view title;
        std::span<const std::string_view> suffix;
    } openFilters[2];
    bool (*matches)(const unsigned char* bytes, std::size_t size);  // its first bytes (16)
    bool fromModule;           // read by a module, loaded when first needed
    OutputFormat batchFormat;  // what a batch writes its sketch as
    bool streams;              // decoded as it arrives on standard input, not held first
    // Read through its library, from a file, bytes or a stream alike...
    std::unique_ptr<PhotoReader> (*openInput)(PhotoInput input, PhotoReading reading);
    // ... or by a decoder of our own, opened from a file, from bytes in memory and (where it
    // streams) from a stream as it arrives.
    std::unique_ptr<PhotoReader> (*openFile)(const std::string& path, PhotoReading reading);
    std::unique_ptr<PhotoReader> (*openBytes)(std::vector<std::uint8_t> bytes,
                                              const std::string& name, PhotoReading reading);
    std::unique_ptr<PhotoReader> (*openStream)(std::FILE* stream, const std::string& name,
                                               std::size_t sizeHint, PhotoReading reading);
};

// Every photo kind, in the Open dialog's order.
std::span<const PhotoKindRow> photoKinds();
const PhotoKindRow& photoKindRow(PhotoKind kind);
// The kind whose first bytes these are, or none.
std::optional<PhotoKind> photoKindOfContent(const unsigned char* bytes, std::size_t size);
// The kind a name's own extension tells (any case), or none.
std::optional<PhotoKind> photoKindOfName(const std::string& path);
// Every photo extension, for usage lines (".jpg, .jpeg, ... or .avif").
std::string photoExtensionList();
// The Open dialog's filters: all photos, then each kind's.
std::string openDialogFilter();

}  // namespace carbonel
