#pragma once

#include <QImage>

#include "sketch/raster.h"

namespace carbonel {

// A QImage that looks at the raster's own rows, without a copy: valid while the raster lives and
// is not written.
inline QImage rasterView(const Raster& raster) {
    return QImage(raster.rowUnchecked(0), raster.width(), raster.height(),
                  static_cast<qsizetype>(raster.bytesPerLine()), QImage::Format_BGR888);
}

}  // namespace carbonel
