#include "scaled_photo.h"

#include <QImage>
#include <cmath>
#include <cstring>

#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"

namespace carbonel::bench {

Raster scaledPhoto(const std::string& path, double megapixels) {
    const Raster photo = loadPicture(path);
    QImage image(photo.rowUnchecked(0), photo.width(), photo.height(),
                 static_cast<qsizetype>(photo.bytesPerLine()), QImage::Format_BGR888);
    const double factor = std::sqrt(megapixels * 1e6 / (double(photo.width()) * photo.height()));
    const QImage scaled = image
                              .scaled(int(photo.width() * factor), int(photo.height() * factor),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_BGR888);
    Raster result(scaled.width(), scaled.height());
    for (int y = 0; y < scaled.height(); ++y) {
        std::memcpy(result.mutableRow(y), scaled.constScanLine(y), std::size_t(scaled.width()) * 3);
    }
    return result;
}

}  // namespace carbonel::bench
