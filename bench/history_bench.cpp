// Measures what the undo history and the recorder cost in memory on a 24-Mpixel photo (run with
// QT_QPA_PLATFORM=offscreen): Convert, then 40 recorded strokes, then 100 more strokes that are
// undo steps only (on a fresh history), with the Brush slider at 8 and the window at
// its start size. Prints the growth of the resident set and what each step holds of its own.
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <cstdio>
#include <fstream>

#include "app/main/main_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/picture_pane.h"
#include "window_photo.h"

namespace {

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1 << 20);
}

// A stroke of ten moves, five pane pixels apart.
void stroke(carbonel::PicturePane* pane, QPoint from) {
    auto send = [pane](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, pane->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QApplication::sendEvent(pane, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 10; ++i) send(QEvent::MouseMove, from + QPoint(5 * i, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(50, 0), {});
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    carbonel::bench::BenchWindow bench;
    carbonel::MainWindow& window = bench.window;
    const QTemporaryDir& dir = bench.dir;
    const carbonel::Raster big = carbonel::bench::openScaledPhoto(window, dir, 24.0);
    window.findChild<QPushButton*>("convertButton")->click();
    window.findChild<QTabWidget*>("modePages")->setCurrentIndex(1);
    window.findChild<QSlider*>("brushSlider")->setValue(8);
    auto* pane = window.findChild<carbonel::PicturePane*>("sketchPane");
    // Convert's own snapshot is taken on the other core; a first stroke waits for it, so the
    // strokes measured below cost only themselves.
    stroke(pane, QPoint(10, 10));
    window.findChild<QCheckBox*>("recordBox")->setChecked(true);
    QApplication::processEvents();
    std::printf("photo %d x %d (%.1f Mpixel), sketch pane %d x %d, brush 8\n", big.width(),
                big.height(), big.width() * double(big.height()) / 1e6, pane->width(),
                pane->height());

    const double start = residentMiB();
    for (int i = 0; i < 40; ++i) stroke(pane, QPoint(20 + (i * 37) % 180, 20 + (i * 23) % 180));
    QApplication::processEvents();
    const double recorded = residentMiB();
    std::printf("40 recorded strokes: %d frames, the program grew by %.1f MiB\n",
                window.recorderWindow()->frameCount(), recorded - start);

    // Afresh for the undo steps: no frames, an empty history, and a first stroke that takes the
    // snapshot of the whole sketch the steps then share.
    window.findChild<QCheckBox*>("recordBox")->setChecked(false);
    window.recorderWindow()->clearFrames();
    window.document().forgetHistory();
    stroke(pane, QPoint(10, 10));
    // The bench's own copy of the sketch, to count what the strokes change, is taken first.
    const carbonel::SketchSnapshot previous =
        carbonel::SketchSnapshot::of(window.document().sketch());
    const double before = residentMiB();
    for (int i = 0; i < 100; ++i) stroke(pane, QPoint(20 + (i * 41) % 180, 20 + (i * 29) % 180));
    const double undone = residentMiB();
    std::printf("100 undo steps of such strokes: %d steps, the program grew by %.1f MiB\n",
                static_cast<int>(window.document().stepCount()), undone - before);
    const carbonel::SketchSnapshot after = carbonel::SketchSnapshot::of(window.document().sketch());
    std::printf("tiles the 100 strokes changed: %.1f MiB (%.0f KiB a step); the sketch: %.1f MiB\n",
                after.bytesNotSharedWith(previous) / double(1 << 20),
                after.bytesNotSharedWith(previous) / 1024.0 / 100,
                window.document().sketch().bytesPerLine() *
                    double(window.document().sketch().height()) / (1 << 20));
    return 0;
}
