#pragma once

#include <string>

namespace carbonel {

enum class PhotoKind { Jpeg, Bmp };

// The kinds saveSketch writes; the numbers are the save dialog's filter indices.
enum class SaveType { Jpeg = 1, Bmp = 2, Metafile = 3 };

enum class MetafileKind { Wmf, Emf };

// The extension of a path's own file name, with its dot ("photo.Jpg" gives ".Jpg"), or "".
std::string fileExtension(const std::string& path);

// A photo's kind, from its file name's own extension, case-insensitively: ".jpg" and ".jpeg" are
// JPEG, ".bmp" is BMP. Any other fails with "Unknown picture file extension (.%s)".
PhotoKind photoKindFor(const std::string& path);

// The name a sketch of this type is saved under: the type's extension is appended unless the
// name's own extension already is one of that type's.
std::string saveNameFor(const std::string& path, SaveType type);

// A metafile is a placeable Windows metafile when its extension is ".wmf", else enhanced.
MetafileKind metafileKindFor(const std::string& path);

// The save type an output name asks for (".jpg", ".jpeg", ".bmp", ".wmf", ".emf"); any other
// fails with "Unknown picture file extension (.%s)".
SaveType saveTypeForOutput(const std::string& path);

}  // namespace carbonel
