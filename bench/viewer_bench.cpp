// Measures how long the "Real  scale" viewer takes to open on a 48-Mpixel sketch (run with
// QT_QPA_PLATFORM=offscreen): from the double-click on the sketch pane to the viewer's first
// paint, as the window opens it.
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/main/main_window.h"
#include "app/ui/picture_pane.h"
#include "window_photo.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    carbonel::bench::BenchWindow bench;
    carbonel::MainWindow& window = bench.window;
    const carbonel::Raster photo = carbonel::bench::openScaledPhoto(window, bench.dir, 48.0);
    window.findChild<QPushButton*>("convertButton")->click();
    auto* pane = window.findChild<carbonel::PicturePane*>("sketchPane");
    std::vector<double> opens;
    QSize shown;
    for (int i = 0; i < 7; ++i) {
        Clock::time_point start;
        QTimer::singleShot(0, [&] {
            QWidget* viewer = QApplication::activeModalWidget();
            if (!viewer) return;
            viewer->repaint();
            opens.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            shown = viewer->size();
            viewer->close();
        });
        const QPoint at(pane->width() / 2, pane->height() / 2);
        QMouseEvent click(QEvent::MouseButtonDblClick, at, pane->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, {});
        start = Clock::now();
        QApplication::sendEvent(pane, &click);
    }
    if (opens.empty()) return 1;
    std::sort(opens.begin(), opens.end());
    std::printf(
        "sketch %d x %d (%.1f Mpixel) in a %d x %d viewer: opened in %.1f ms (median of %zu)\n",
        photo.width() + 1, photo.height() + 1,
        (photo.width() + 1) * double(photo.height() + 1) / 1e6, shown.width(), shown.height(),
        opens[opens.size() / 2], opens.size());
    return 0;
}
