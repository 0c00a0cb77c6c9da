#include "imageio/qt_picture_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <new>

#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// White paper under the picture's transparent parts: (colour * alpha + white * (255 - alpha)).
// Converted a band of rows at a time, so a large picture is never held twice over.
Raster rasterFrom(const QImage& image) {
    constexpr int kBand = 256;
    Raster raster = Raster::uninitialized(image.width(), image.height());
    for (int top = 0; top < image.height(); top += kBand) {
        const int rows = std::min(kBand, image.height() - top);
        const QImage rgba =
            image.copy(0, top, image.width(), rows).convertToFormat(QImage::Format_RGBA8888);
        for (int y = 0; y < rows; ++y) {
            const uchar* in = rgba.constScanLine(y);
            std::uint8_t* out = raster.mutableRowUnchecked(top + y);
            for (int x = 0; x < rgba.width(); ++x, in += 4, out += 3) {
                const unsigned alpha = in[3];
                for (int c = 0; c < 3; ++c) {
                    out[2 - c] = static_cast<std::uint8_t>(
                        (in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
                }
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
    QImageReader reader(&device, photoKindExtension(kind));
    reader.setAutoTransform(reading == PhotoReading::Upright);
    // Room for the largest photo we take at 8 bits a channel with alpha (16384 x 16384 x 4); Qt's
    // own default, 256 MB, would refuse photos we convert. Deeper pictures that large are refused.
    QImageReader::setAllocationLimit(1100);
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
        // JPEG and BMP have exact decoders of their own.
        if (kind == PhotoKind::Jpeg || kind == PhotoKind::Bmp)
            throw Error("Not a PNG, TIFF, WebP or GIF picture");
        if (kind == PhotoKind::Gif) checkGifFirstFrameWhole(bytes);
        return readWith(buffer, kind, reading);
    } catch (const Error& error) {
        throw Error(aboutFile(name, error.what()));
    } catch (const std::bad_alloc&) {
        throw Error(aboutFile(name, "Not enough memory to read the picture"));
    }
}

}  // namespace carbonel
