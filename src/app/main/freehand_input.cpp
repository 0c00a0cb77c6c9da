#include "app/main/freehand_input.h"

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
    const int x = position.x(), y = position.y();
    outline_.move(pane_.x() + x - radius, pane_.y() + y - radius);
    outline_.setVisible(brushOutlineVisible(x, y, pane_.width(), pane_.height()));
    if (outline_.isVisible()) outline_.raise();

    if (stroke_.drawsNow(modifiers.testFlag(Qt::ControlModifier), strip.style)) {
        const SketchSettings settings{200 - strip.precision, strip.line};
        const std::optional<BrushRectangle> rectangle =
            brushRectangle(x, y, radius, settings.lineStep, pane_.width(), pane_.height(),
                           document_.photo().height());
        try {
            document_.drawStep(rectangle, settings, strip.style);
        } catch (const Error& error) {
            dialogs_.error(window_, error.what());  // no photo to draw from
            return;
        }
        if (rectangle) {
            ++stepsDrawn_;
            pane_.areaChanged(QRect(QPoint(rectangle->left, rectangle->top),
                                    QPoint(rectangle->right, rectangle->bottom)));
            // A step drawn with Ctrl held and no button down is a step of its own.
            if (!stroke_.drawing()) document_.endStroke();
        }
    }
    stroke_.countMove(radius);
}

void FreehandInput::released() {
    if (!strip_.settings().freehandPage) return;
    stroke_.release();
    document_.endStroke();
    emit strokeEnded();
}

}  // namespace carbonel
