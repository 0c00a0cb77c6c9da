#pragma once

#include <cstddef>
#include <string>

namespace carbonel {

// JPEG and BMP have exact decoders of our own; the other kinds are read through Qt's readers.
enum class PhotoKind { Jpeg, Bmp, Png, Tiff, Webp, Gif };

// How a photo is read: turned upright by its camera's orientation tag, or as stored.
enum class PhotoReading { Upright, AsStored };

// The program's own JPEG quality for sketches.
inline constexpr int kSketchJpegQuality = 20;

// How photo files are read and sketch files written, beside the conversion's own options.
struct FileOptions {
    PhotoReading reading = PhotoReading::Upright;
    int jpegQuality = kSketchJpegQuality;  // 1..100
};

// The kinds saveSketch writes; the numbers are the save dialog's filter indices.
enum class SaveType { Jpeg = 1, Bmp = 2, Metafile = 3, Png = 4 };

enum class MetafileKind { Wmf, Emf };

// The extension of a path's own file name, with its dot ("photo.Jpg" gives ".Jpg"), or "".
std::string fileExtension(const std::string& path);

// A photo's kind, from its file name's own extension, case-insensitively: ".jpg" and ".jpeg" are
// JPEG, ".bmp" BMP, ".png" PNG, ".tif" and ".tiff" TIFF, ".webp" WebP, ".gif" GIF. Any other
// fails with "Unknown picture file extension (.%s)".
PhotoKind photoKindFor(const std::string& path);

// The usual extension of a photo kind, without its dot ("jpg", "bmp", "png", "tif", "webp",
// "gif"); Qt's readers know each kind by it too.
const char* photoKindExtension(PhotoKind kind);

// Whether the photo kind is known for this name (photoKindFor would not fail).
bool isPhotoName(const std::string& path);

// A photo's kind from its first bytes (at least 12 for WebP); fails with "Unknown picture format"
// for anything else.
PhotoKind photoKindOfBytes(const unsigned char* bytes, std::size_t size);

// The name a sketch of this type is saved under: the type's extension is appended unless the
// name's own extension already is one of that type's.
std::string saveNameFor(const std::string& path, SaveType type);

// A metafile is a placeable Windows metafile when its extension is ".wmf", else enhanced.
MetafileKind metafileKindFor(const std::string& path);

// The save type an output name asks for (".jpg", ".jpeg", ".bmp", ".wmf", ".emf", ".png"); any
// other fails with "Unknown picture file extension (.%s)".
SaveType saveTypeForOutput(const std::string& path);

}  // namespace carbonel
