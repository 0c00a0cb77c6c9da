// Measures the main window's own costs on big photos (run with QT_QPA_PLATFORM=offscreen):
// one freehand step (pass and pane update) with radius 32 on a 24-Mpixel photo, the freehand
// pass's cost per decided pixel against Convert's, and Convert in the window against the engine.
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/main/main_window.h"
#include "app/ui/picture_pane.h"
#include "sketch/convert.h"
#include "window_photo.h"
#include "workspace/freehand.h"

using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    carbonel::bench::BenchWindow bench;
    carbonel::MainWindow& window = bench.window;
    const QTemporaryDir& dir = bench.dir;

    // One freehand step on a 24-Mpixel photo.
    const carbonel::Raster big = carbonel::bench::openScaledPhoto(window, dir, 24.0);
    window.findChild<QTabWidget*>("modePages")->setCurrentIndex(1);
    auto* pane = window.findChild<carbonel::PicturePane*>("sketchPane");
    std::vector<double> steps;
    for (int i = 0; i < 21; ++i) {
        const QPoint at(60 + 10 * i, pane->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, pane->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, pane->mapToGlobal(at), Qt::LeftButton,
                            {}, {});
        const Clock::time_point start = Clock::now();
        QApplication::sendEvent(pane, &press);
        pane->repaint();  // the pane update, drawn now rather than at the next event-loop turn
        steps.push_back(millisecondsSince(start));
        QApplication::sendEvent(pane, &release);
    }
    std::printf("photo %d x %d (%.1f Mpixel) in a %d x %d pane, radius 32, Pencil\n", big.width(),
                big.height(), big.width() * double(big.height()) / 1e6, pane->width(),
                pane->height());
    std::printf(
        "freehand step (pass and pane update), median of 20: %.2f ms (first, with the white sheet: "
        "%.2f ms)\n",
        median(std::vector<double>(steps.begin() + 1, steps.end())), steps.front());

    // Cost per decided pixel: the disc pass against Convert, both on one thread.
    carbonel::SketchSettings settings;
    settings.edgeThreshold = 30;
    settings.lineStep = 1;
    carbonel::Raster sketch(big.width() + 1, big.height() + 1);
    const int r = 1000;
    const int cx = big.width() / 2, cy = big.height() / 2;
    const double discPixels = 3.14159265 * r * r;
    std::vector<double> discs;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        carbonel::runFreehandPass({cx - r, cy - r, cx + r, cy + r}, big, sketch, settings,
                                  carbonel::PenStyle::Pencil);
        discs.push_back(millisecondsSince(start));
    }
    carbonel::ConversionOptions oneThread;
    oneThread.threads = 1;
    std::vector<double> converts;
    for (int i = 0; i < 3; ++i) {
        const Clock::time_point start = Clock::now();
        const carbonel::Raster converted = carbonel::convertPhoto(big, oneThread);
        converts.push_back(millisecondsSince(start));
    }
    const double discRate = median(discs) * 1e6 / discPixels;
    const double convertRate =
        median(converts) * 1e6 / (double(big.width() - 3) * (big.height() - 3));
    std::printf(
        "freehand pass: %.2f ns per decided pixel; Convert: %.2f ns per decided pixel (one thread "
        "each); ratio %.2f\n",
        discRate, convertRate, discRate / convertRate);

    // Convert of a 12-Mpixel photo in the window against the engine alone.
    window.findChild<QTabWidget*>("modePages")->setCurrentIndex(0);
    window.start();  // as the program starts it: settings moved from now on are a user's
    const carbonel::Raster twelve = carbonel::bench::openScaledPhoto(window, dir, 12.0);
    auto* convert = window.findChild<QPushButton*>("convertButton");
    std::vector<double> inWindow, engine;
    carbonel::Raster engineSketch;  // like the window's, each new sketch replaces the last
    for (int i = 0; i < 7; ++i) {
        // Each Convert's undo snapshot is taken on the other core after the command; a pause, as
        // between a user's clicks, lets it finish before the next timing.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Clock::time_point start = Clock::now();
        convert->click();
        window.repaint();
        inWindow.push_back(millisecondsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        start = Clock::now();
        engineSketch = carbonel::convertPhoto(twelve, carbonel::ConversionOptions{});
        engine.push_back(millisecondsSince(start));
    }
    std::printf(
        "Convert of %.1f Mpixel: in the window %.1f ms, the engine alone %.1f ms (medians of 7); "
        "ratio %.2f\n",
        twelve.width() * double(twelve.height()) / 1e6, median(inWindow), median(engine),
        median(inWindow) / median(engine));

    // Opening that photo as a camera JPEG (quality 92, 4:2:0), until the pane has painted it.
    const QString jpeg = dir.filePath("photo.jpg");
    carbonel::writeSketchFile(twelve, jpeg.toStdString(), carbonel::OutputFormat::Jpeg,
                              twelve.width(), twelve.height(), 92);
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const Clock::time_point start = Clock::now();
        window.loadPhoto(jpeg);
        window.repaint();
        opens.push_back(millisecondsSince(start));
    }
    std::printf("Open of a %.1f-Mpixel JPEG until painted: %.1f ms (median of 5)\n",
                twelve.width() * double(twelve.height()) / 1e6, median(opens));
    window.loadPhoto(dir.filePath("photo.bmp"));  // the exact photo again, for what follows

    // Live preview on the same photo: a drag of Precision, a move every 15 ms as a pointer sends
    // them, then the time from the last move until the pane shows that setting's sketch.
    auto* precision = window.findChild<QSlider*>("precisionSlider");
    std::vector<double> follows;
    for (int drag = 0; drag < 5; ++drag) {
        const int last = 150 - 2 * drag;
        carbonel::ConversionOptions wanted;
        wanted.precision = last;
        const carbonel::Raster expected = carbonel::convertPhoto(twelve, wanted);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the last burst ends
        QApplication::processEvents();
        precision->setSliderDown(true);
        for (int value = 170; value >= last; --value) {
            precision->setValue(value);
            const Clock::time_point moved = Clock::now();
            while (millisecondsSince(moved) < 15) QApplication::processEvents();
        }
        const Clock::time_point start = Clock::now();
        // Each sketch shown is compared once: the newest setting's is the one waited for.
        const std::uint8_t* seen = nullptr;
        while (millisecondsSince(start) < 10000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            const carbonel::Raster& now = window.document().sketchPixels();
            if (now.isEmpty() || now.rowUnchecked(0) == seen) continue;
            seen = now.rowUnchecked(0);
            if (now == expected) break;
        }
        window.repaint();
        follows.push_back(millisecondsSince(start));
        precision->setSliderDown(false);
    }
    std::printf(
        "live preview of %.1f Mpixel: the pane follows %.1f ms after the last move of a "
        "drag (median of 5, best %.1f)\n",
        twelve.width() * double(twelve.height()) / 1e6, median(follows),
        *std::min_element(follows.begin(), follows.end()));
    return 0;
}
