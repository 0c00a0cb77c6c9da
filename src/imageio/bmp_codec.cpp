#include "imageio/bmp_codec.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <vector>

#include "imageio/byte_writer.h"
#include "sketch/error.h"

namespace carbonel {

Raster readBmp(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) throw Error("Cannot open file " + path);
    // The name said BMP: no guessing from the contents.
    QImageReader reader(&file, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid()) throw Error("Bitmap image is not valid");
    checkPictureSize(size.width(), size.height());
    QImage image;
    if (!reader.read(&image) || image.isNull()) throw Error("Bitmap image is not valid");
    image = image.convertToFormat(QImage::Format_BGR888);
    Raster picture(image.width(), image.height());
    picture.detach();
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(picture.mutableRowUnchecked(y), image.constScanLine(y),
                    static_cast<std::size_t>(image.width()) * 3);
    }
    return picture;
}

std::size_t dibRowBytes(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

void appendDibHeader(std::string& out, int width, int height) {
    const std::size_t imageBytes = dibRowBytes(width) * static_cast<std::size_t>(height);
    putU32(out, 40);  // header size
    putU32(out, static_cast<std::uint32_t>(width));
    putU32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    putU16(out, 1);                                   // planes
    putU16(out, 24);                                  // bits per pixel
    putU32(out, 0);                                   // no compression
    putU32(out, static_cast<std::uint32_t>(imageBytes));
    putU32(out, 3780);  // 96 dots per inch, in dots per metre
    putU32(out, 3780);
    putU32(out, 0);  // colours used
    putU32(out, 0);  // important colours
}

void writeDibRows(const Raster& picture, std::FILE* out) {
    const std::size_t rowBytes = dibRowBytes(picture.width());
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int y = picture.height() - 1; y >= 0; --y) {
        std::memcpy(row.data(), picture.rowUnchecked(y),
                    static_cast<std::size_t>(picture.width()) * 3);
        std::fwrite(row.data(), 1, rowBytes,
                    out);  // a failed write is caught when the file is committed
    }
}

void writeBmp(const Raster& picture, std::FILE* out) {
    const std::size_t imageBytes =
        dibRowBytes(picture.width()) * static_cast<std::size_t>(picture.height());
    std::string header;
    header += "BM";
    putU32(header, static_cast<std::uint32_t>(14 + 40 + imageBytes));
    putU32(header, 0);        // reserved
    putU32(header, 14 + 40);  // offset of the pixels
    appendDibHeader(header, picture.width(), picture.height());
    std::fwrite(header.data(), 1, header.size(), out);
    writeDibRows(picture, out);
}

}  // namespace carbonel
