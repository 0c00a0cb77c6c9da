#pragma once

#include <QTemporaryDir>
#include <string>

#include "app/main/main_window.h"
#include "imageio/picture_files.h"
#include "scaled_photo.h"

namespace carbonel::bench {

// Opens `4.jpg` scaled to about `megapixels` in the window, through a BMP file as a user's photo
// would come, and returns the photo.
inline Raster openScaledPhoto(MainWindow& window, const QTemporaryDir& dir, double megapixels) {
    const Raster photo = scaledPhoto(std::string(CARBONEL_ASSETS) + "/4.jpg", megapixels);
    const QString path = dir.filePath("photo.bmp");
    writeSketchAs(photo, path.toStdString(), SaveType::Bmp, photo.width(), photo.height());
    window.loadPhoto(path);
    return photo;
}

}  // namespace carbonel::bench
