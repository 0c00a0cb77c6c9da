#pragma once

#include <QObject>
#include <QPoint>

#include "workspace/freehand.h"

namespace carbonel {

class BrushOutline;
class ControlStrip;
class PicturePane;
class SketchDocument;
class UserDialogs;

// Freehand drawing on the sketch pane: the brush ring follows the pointer, and each counted move of
// a stroke runs one step of the document inside the brush, on the Freehand page only. Zoomed, the
// brush covers the photo pixels it covers at fit, around the pixel under the pointer.
class FreehandInput : public QObject {
    Q_OBJECT

  public:
    FreehandInput(SketchDocument& document, const ControlStrip& strip, PicturePane& pane,
                  BrushOutline& outline, UserDialogs& dialogs, QWidget* window);

    const FreehandStroke& stroke() const { return stroke_; }
    int stepsDrawn() const { return stepsDrawn_; }
    // The stroke begun by a double-click's first press does not go on.
    void release() { stroke_.release(); }

  signals:
    // A stroke ended with the button's release and is now a step of the document.
    void strokeEnded();

  private:
    void pressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress);
    void moved(QPoint position, Qt::KeyboardModifiers modifiers);
    void released();
    // The ring around the pointer, as large as the brush at the pane's zoom.
    void placeRing(QPoint position);
    // The brush's photo pixels at this pane position.
    std::optional<BrushRectangle> brushAt(QPoint position, int radius, int lineStep) const;

    SketchDocument& document_;
    const ControlStrip& strip_;
    PicturePane& pane_;
    BrushOutline& outline_;
    UserDialogs& dialogs_;
    QWidget* window_;
    FreehandStroke stroke_;
    int stepsDrawn_ = 0;
    QPoint pointer_;  // where the pointer last moved over the pane
};

}  // namespace carbonel
