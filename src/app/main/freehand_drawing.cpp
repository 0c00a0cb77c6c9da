// Freehand drawing on the sketch pane: the brush ring follows the pointer, and each counted move of
// a stroke runs one pass inside the brush.
#include <QCheckBox>

#include "app/main/main_window.h"
#include "app/ui/picture_pane.h"

namespace carbonel {

void MainWindow::sketchPressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress) {
    if (!freehandPageActive()) return;
    stroke_.press(secondPress);
    sketchMoved(position, modifiers);
}

void MainWindow::sketchMoved(QPoint position, Qt::KeyboardModifiers modifiers) {
    if (!freehandPageActive()) return;
    const int radius = settings_.brushRadius;
    const int x = position.x(), y = position.y();
    outline_->move(sketchPane_->x() + x - radius, sketchPane_->y() + y - radius);
    outline_->setVisible(brushOutlineVisible(x, y, sketchPane_->width(), sketchPane_->height()));
    if (outline_->isVisible()) outline_->raise();

    if (stroke_.drawsNow(modifiers.testFlag(Qt::ControlModifier), selectedStyle())) {
        if (photo_.isEmpty()) {
            showError("There is no photo to draw from.");
            return;
        }
        readSettingsFromControls();
        photoBitmap_ = photo_;  // shares the photo's pixels: nothing is copied
        const int sketchWidth = photo_.width() / settings_.outputScale + 1;
        const int sketchHeight = photo_.height() / settings_.outputScale + 1;
        shownSnapshot();  // the step before this stroke, taken before the pass draws
        if (sketch_.isEmpty()) {
            // An empty pane gets a white sheet, whitened where the pass and the pane need it.
            blankSheet_.start(sketch_, sketchWidth, sketchHeight);
            basis_ = std::make_shared<const SketchSnapshot>(
                SketchSnapshot::whiteSheet(sketchWidth, sketchHeight));
            sketchPane_->pictureChanged();
        } else if (sketch_.width() != sketchWidth || sketch_.height() != sketchHeight) {
            blankSheet_.finish(sketch_);
            sketch_.setSize(sketchWidth, sketchHeight);
            basis_ = std::make_shared<const SketchSnapshot>(SketchSnapshot::of(sketch_));
            sketchPane_->pictureChanged();
        }
        const std::optional<BrushRectangle> rectangle =
            brushRectangle(x, y, radius, settings_.lineStep, sketchPane_->width(),
                           sketchPane_->height(), photo_.height());
        if (rectangle) {
            ++stepsDrawn_;
            const BrushRectangle area = sketchAreaOf(*rectangle, settings_.outputScale);
            blankSheet_.fillArea(sketch_, area.left, area.top, area.right, area.bottom);
            strokeDrew({area.left, area.top, area.right, area.bottom});
            // A pass that fails keeps what it drew and is otherwise ignored.
            runFreehandPass(*rectangle, photoBitmap_, sketch_, settings_, selectedStyle());
            sketchPane_->areaChanged(QRect(QPoint(rectangle->left, rectangle->top),
                                           QPoint(rectangle->right, rectangle->bottom)));
            // A step drawn with Ctrl held and no button down is a step of its own.
            if (!stroke_.drawing()) recordStroke();
        }
    }
    stroke_.countMove(radius);
}

void MainWindow::sketchReleased() {
    if (!freehandPageActive()) return;
    stroke_.release();
    recordStroke();
    if (strip_->recordBox->isChecked()) emit frameCaptured(shownSnapshot());
}

}  // namespace carbonel
