#pragma once

#include <string>

#include "imageio/atomic_file.h"
#include "imageio/picture_names.h"
#include "sketch/raster.h"

namespace carbonel {

// Reads a photo as a 24-bit raster; its kind comes from the file name's own extension. A camera
// photo is turned upright by its orientation tag unless read as stored. Every failure names the
// file.
Raster loadPicture(const std::string& path, PhotoReading reading = PhotoReading::Upright);

// Writes a sketch of the given type under saveNameFor(path, type) and returns that name. The
// metafile's frame is the photo's size. The file appears only once it is completely written;
// an empty sketch fails with "There is no sketch to save." and writes nothing.
std::string saveSketchFile(const Raster& sketch, const std::string& path, SaveType type,
                           int photoWidth, int photoHeight);

// Writes a sketch into a file that is not yet in place; its caller gives it its name.
void writeSketchTo(const Raster& sketch, AtomicFile& file, SaveType type, MetafileKind metafile,
                   int photoWidth, int photoHeight, int jpegQuality = kSketchJpegQuality);

// Writes a sketch in the format its output name's extension asks for, under exactly that name.
void writeSketchAs(const Raster& sketch, const std::string& path, SaveType type, int photoWidth,
                   int photoHeight);

}  // namespace carbonel
