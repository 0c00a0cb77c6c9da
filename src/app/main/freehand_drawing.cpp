// Freehand drawing on the sketch pane: the brush ring follows the pointer, and each counted move of
// a stroke runs one pass inside the brush.
#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "sketch/error.h"

namespace carbonel {

void MainWindow::sketchPressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress) {
    if (!strip_->settings().freehandPage) return;
    stroke_.press(secondPress);
    sketchMoved(position, modifiers);
}

void MainWindow::sketchMoved(QPoint position, Qt::KeyboardModifiers modifiers) {
    const StripSettings strip = strip_->settings();
    if (!strip.freehandPage) return;
    const int radius = strip.brushSize;
    const int x = position.x(), y = position.y();
    outline_->move(sketchPane_->x() + x - radius, sketchPane_->y() + y - radius);
    outline_->setVisible(brushOutlineVisible(x, y, sketchPane_->width(), sketchPane_->height()));
    if (outline_->isVisible()) outline_->raise();

    if (stroke_.drawsNow(modifiers.testFlag(Qt::ControlModifier), strip.style)) {
        const SketchSettings settings{200 - strip.precision, strip.line};
        const std::optional<BrushRectangle> rectangle =
            brushRectangle(x, y, radius, settings.lineStep, sketchPane_->width(),
                           sketchPane_->height(), document_.photo().height());
        try {
            document_.drawStep(rectangle, settings, strip.style);
        } catch (const Error& error) {
            environment_.dialogs->error(this, error.what());  // no photo to draw from
            return;
        }
        if (rectangle) {
            ++stepsDrawn_;
            sketchPane_->areaChanged(QRect(QPoint(rectangle->left, rectangle->top),
                                           QPoint(rectangle->right, rectangle->bottom)));
            // A step drawn with Ctrl held and no button down is a step of its own.
            if (!stroke_.drawing()) document_.endStroke();
        }
    }
    stroke_.countMove(radius);
}

void MainWindow::sketchReleased() {
    if (!strip_->settings().freehandPage) return;
    stroke_.release();
    document_.endStroke();
    if (strip_->recording()) emit frameCaptured(document_.snapshot());
}

}  // namespace carbonel
