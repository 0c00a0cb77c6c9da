#include "imageio/qt_picture_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// The kinds Qt reads for us, by the format names of its readers.
const char* formatOf(PhotoKind kind) {
    switch (kind) {
        case PhotoKind::Png:
            return "png";
        case PhotoKind::Tiff:
            return "tiff";
        case PhotoKind::Webp:
            return "webp";
        case PhotoKind::Gif:
            return "gif";
        case PhotoKind::Jpeg:
        case PhotoKind::Bmp:
            break;
    }
    return "";
}

// White paper under the picture's transparent parts: (colour * alpha + white * (255 - alpha)).
Raster rasterFrom(const QImage& image) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    Raster raster = Raster::uninitialized(rgba.width(), rgba.height());
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* in = rgba.constScanLine(y);
        std::uint8_t* out = raster.mutableRowUnchecked(y);
        for (int x = 0; x < rgba.width(); ++x, in += 4, out += 3) {
            const unsigned alpha = in[3];
            for (int c = 0; c < 3; ++c) {
                out[2 - c] =
                    static_cast<std::uint8_t>((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            }
        }
    }
    return raster;
}

// Qt's GIF reader shows a file cut off inside its first frame as a whole picture, the missing
// part blank. So the blocks up to the end of the first frame's data are checked to be there:
// header, screen descriptor, colour tables, extensions, the image descriptor and its data
// sub-blocks up to their terminator.
void checkGifFirstFrameWhole(const std::vector<std::uint8_t>& bytes) {
    const std::size_t size = bytes.size();
    std::size_t at = 13;  // "GIF89a" and the logical screen descriptor
    auto cutOff = [] { throw Error("The GIF file is cut off before the end of its first frame"); };
    auto skipTable = [&](std::uint8_t flags) {
        if (flags & 0x80) at += 3u * (2u << (flags & 7));
    };
    auto skipSubBlocks = [&] {
        for (;;) {
            if (at >= size) cutOff();
            const std::size_t length = bytes[at++];
            if (length == 0) return;
            at += length;
        }
    };
    if (size < at) cutOff();
    skipTable(bytes[10]);
    for (;;) {
        if (at >= size) cutOff();
        const std::uint8_t introducer = bytes[at++];
        if (introducer == 0x21) {  // an extension: its label, then sub-blocks
            ++at;
            skipSubBlocks();
        } else if (introducer == 0x2C) {  // the first image
            if (at + 9 > size) cutOff();
            const std::uint8_t flags = bytes[at + 8];
            at += 9;
            skipTable(flags);
            ++at;  // the LZW minimum code size
            skipSubBlocks();
            return;
        } else {
            throw Error("The GIF file holds no picture");
        }
    }
}

Raster readWith(QIODevice& device, PhotoKind kind, PhotoReading reading) {
    QImageReader reader(&device, formatOf(kind));
    reader.setAutoTransform(reading == PhotoReading::Upright);
    // Our own size check comes first, so Qt's smaller allocation limit is not needed.
    QImageReader::setAllocationLimit(0);
    const QSize size = reader.size();
    if (size.isValid()) checkPhotoSize(size.width(), size.height());
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        throw Error("Cannot read the picture: " + reader.errorString().toStdString());
    }
    checkPhotoSize(image.width(), image.height());
    return rasterFrom(image);
}

}  // namespace

Raster decodeQtPicture(const std::vector<std::uint8_t>& bytes, PhotoReading reading,
                       const std::string& name) {
    try {
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        const PhotoKind kind = photoKindOfBytes(bytes.data(), bytes.size());
        if (kind == PhotoKind::Gif) checkGifFirstFrameWhole(bytes);
        return readWith(buffer, kind, reading);
    } catch (const Error& error) {
        throw Error(aboutFile(name, error.what()));
    }
}

Raster readQtPicture(const std::string& path, PhotoReading reading) {
    return decodeQtPicture(readFileBytes(path), reading, path);
}

}  // namespace carbonel
