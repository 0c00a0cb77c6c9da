#include "imageio/picture_files.h"

#include "imageio/atomic_file.h"
#include "imageio/bmp_codec.h"
#include "imageio/jpeg_codec.h"
#include "imageio/metafile.h"
#include "imageio/png_writer.h"
#include "imageio/qt_picture_reader.h"
#include "sketch/error.h"

namespace carbonel {

Raster loadPicture(const std::string& path, PhotoReading reading) {
    try {
        switch (photoKindFor(path)) {
            case PhotoKind::Jpeg: {
                JpegDecoder decoder(path);
                return readJpegPhoto(decoder, reading);
            }
            case PhotoKind::Bmp:
                return readBmp(path);
            case PhotoKind::Png:
            case PhotoKind::Tiff:
            case PhotoKind::Webp:
            case PhotoKind::Gif:
                return readQtPicture(path, reading);
        }
    } catch (const Error& error) {
        throw Error(aboutFile(path, error.what()));
    }
    return {};
}

namespace {

void writeFormat(const Raster& sketch, AtomicFile& file, SaveType type, MetafileKind metafile,
                 int photoWidth, int photoHeight, int jpegQuality) {
    switch (type) {
        case SaveType::Jpeg:
            writeJpeg(sketch, file.stream(), jpegQuality);
            break;
        case SaveType::Bmp:
            writeBmp(sketch, file.stream());
            break;
        case SaveType::Metafile:
            if (metafile == MetafileKind::Wmf) {
                writePlaceableWmf(sketch, photoWidth, photoHeight, file.stream());
            } else {
                writeEmf(sketch, photoWidth, photoHeight, file.stream());
            }
            break;
        case SaveType::Png:
            writePng(sketch, file.stream());
            break;
    }
}

}  // namespace

void writeSketchTo(const Raster& sketch, AtomicFile& file, SaveType type, MetafileKind metafile,
                   int photoWidth, int photoHeight, int jpegQuality) {
    if (sketch.isEmpty()) throw Error("There is no sketch to save.");
    try {
        writeFormat(sketch, file, type, metafile, photoWidth, photoHeight, jpegQuality);
    } catch (const Error& error) {
        throw Error(aboutFile(file.target().string(), error.what()));
    }
}

void writeSketchAs(const Raster& sketch, const std::string& path, SaveType type, int photoWidth,
                   int photoHeight) {
    if (sketch.isEmpty()) throw Error("There is no sketch to save.");
    AtomicFile file(path);
    writeSketchTo(sketch, file, type, metafileKindFor(path), photoWidth, photoHeight);
    file.commit();
}

std::string saveSketchFile(const Raster& sketch, const std::string& path, SaveType type,
                           int photoWidth, int photoHeight) {
    const std::string name = saveNameFor(path, type);
    writeSketchAs(sketch, name, type, photoWidth, photoHeight);
    return name;
}

}  // namespace carbonel
