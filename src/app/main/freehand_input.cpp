#include "app/main/freehand_input.h"

#include <cmath>

#include "app/main/control_strip.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "sketch/error.h"
#include "workspace/sketch_document.h"

namespace carbonel {

FreehandInput::FreehandInput(SketchDocument& document, const ControlStrip& strip, PicturePane& pane,
                             BrushOutline& outline, UserDialogs& dialogs, QWidget* window)
    : QObject(window),
      document_(document),
      strip_(strip),
      pane_(pane),
      outline_(outline),
      dialogs_(dialogs),
      window_(window) {
    connect(&pane, &PicturePane::pressed, this, &FreehandInput::pressed);
    connect(&pane, &PicturePane::moved, this, &FreehandInput::moved);
    connect(&pane, &PicturePane::released, this, [this] { released(); });
    // The ring shows where the brush would draw: nowhere once the pointer has left the pane.
    connect(&pane, &PicturePane::left, &outline, &QWidget::hide);
    // A zoom under a still pointer resizes the ring there; a drag of the picture takes it away.
    if (const SharedView* view = pane.view()) {
        connect(view, &SharedView::changed, this, [this] {
            if (pane_.panning()) outline_.hide();
            if (outline_.isVisible()) placeRing(pointer_);
        });
    }
}

void FreehandInput::pressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress) {
    if (!strip_.settings().freehandPage) return;
    stroke_.press(secondPress);
    moved(position, modifiers);
}

void FreehandInput::moved(QPoint position, Qt::KeyboardModifiers modifiers) {
    const StripSettings strip = strip_.settings();
    if (!strip.freehandPage) return;
    const int radius = strip.brushSize;
    pointer_ = position;
    placeRing(position);
    outline_.setVisible(
        brushOutlineVisible(position.x(), position.y(), pane_.width(), pane_.height()));
    if (outline_.isVisible()) outline_.raise();

    if (stroke_.drawsNow(modifiers.testFlag(Qt::ControlModifier), strip.style)) {
        const SketchSettings settings{200 - strip.precision, strip.line};
        const std::optional<BrushRectangle> rectangle =
            brushAt(position, radius, settings.lineStep);
        try {
            document_.drawStep(rectangle, settings, strip.style);
        } catch (const Error& error) {
            dialogs_.error(window_, error.what());  // no photo to draw from
            return;
        }
        if (rectangle) {
            ++stepsDrawn_;
            const BrushRectangle drawn = sketchAreaOf(*rectangle);
            pane_.areaChanged(
                QRect(QPoint(drawn.left, drawn.top), QPoint(drawn.right, drawn.bottom)));
            // A step drawn with Ctrl held and no button down is a step of its own.
            if (!stroke_.drawing()) document_.endStroke();
        }
    }
    stroke_.countMove(radius);
}

void FreehandInput::placeRing(QPoint position) {
    const SharedView* view = pane_.view();
    const double magnification = view ? view->get().magnification() : 1.0;
    const int radius = static_cast<int>(std::lround(strip_.settings().brushSize * magnification));
    if (outline_.width() != 2 * radius) outline_.resize(2 * radius, 2 * radius);
    outline_.move(pane_.x() + position.x() - radius, pane_.y() + position.y() - radius);
}

std::optional<BrushRectangle> FreehandInput::brushAt(QPoint position, int radius,
                                                     int lineStep) const {
    const int photoHeight = document_.photo().height();
    const SharedView* view = pane_.view();
    if (!view || view->get().atFit()) {
        return brushRectangle(position.x(), position.y(), radius, lineStep, pane_.width(),
                              pane_.height(), photoHeight);
    }
    const PictureView::Point at = view->get().toPicture(position.x(), position.y());
    return brushRectangleAt(at.x, at.y, radius, lineStep, pane_.width(), pane_.height(),
                            photoHeight);
}

void FreehandInput::released() {
    if (!strip_.settings().freehandPage) return;
    stroke_.release();
    document_.endStroke();
    emit strokeEnded();
}

}  // namespace carbonel
