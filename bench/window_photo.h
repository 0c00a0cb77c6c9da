#pragma once

#include <QTemporaryDir>
#include <string>

#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "scaled_photo.h"
#include "share/editor_launcher.h"

namespace carbonel::bench {

// The main window as the program shows it, with the real dialogs and launcher, and a folder for
// the photos it opens. Needs the QApplication.
struct BenchWindow {
    QTemporaryDir dir;
    QtUserDialogs dialogs;
    SystemProcessLauncher launcher;
    MainWindow window{{.programFolder = QCoreApplication::applicationDirPath(),
                       .dialogs = &dialogs,
                       .launcher = &launcher}};
    BenchWindow() { window.show(); }
};

// Opens `4.jpg` scaled to about `megapixels` in the window, through a BMP file as a user's photo
// would come, and returns the photo.
inline Raster openScaledPhoto(MainWindow& window, const QTemporaryDir& dir, double megapixels) {
    const Raster photo = scaledPhoto(std::string(CARBONEL_ASSETS) + "/4.jpg", megapixels);
    const QString path = dir.filePath("photo.bmp");
    writeSketchFile(photo, path.toStdString(), OutputFormat::Bmp, photo.width(), photo.height());
    window.loadPhoto(path);
    return photo;
}

}  // namespace carbonel::bench
