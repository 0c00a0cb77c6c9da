#pragma once

#include <optional>

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"

namespace carbonel {

// The rectangle of photo pixels a brush step covers.
struct BrushRectangle {
    int left, top, right, bottom;
    bool operator==(const BrushRectangle&) const = default;
};

// One stroke of the mouse over the sketch pane: whether it is drawing, and the count of pointer
// moves that makes the sketch styles draw only on every trunc(sqrt(radius))-th move.
class FreehandStroke {
  public:
    // A press starts a stroke, except the second press of a double-click.
    void press(bool secondPressOfDoubleClick) {
        if (!secondPressOfDoubleClick) drawing_ = true;
        moveCount_ = 0;
    }
    void release() { drawing_ = false; }
    bool drawing() const { return drawing_; }
    int moveCount() const { return moveCount_; }

    // Whether this move draws: during a stroke on the counted moves (every move for Brush), and
    // at every move while Ctrl is held.
    bool drawsNow(bool controlHeld, PenStyle style) const {
        return controlHeld || (drawing_ && (moveCount_ == 0 || style == PenStyle::Brush));
    }
    // Counts a move, drawn or not.
    void countMove(int brushRadius);

  private:
    bool drawing_ = false;
    int moveCount_ = 0;
};

// The square of photo pixels under a brush of `radius` pane pixels at the pane position (x, y):
// the pane's pixels map onto the photo's by photoHeight / paneHeight (single precision). None when
// the pointer lies within the line step of the pane's edge.
std::optional<BrushRectangle> brushRectangle(int x, int y, int radius, int lineStep, int paneWidth,
                                             int paneHeight, int photoHeight);

// The same square for a zoomed pane, around the photo pixel under the pointer, (photoX, photoY) in
// photo pixels: as many photo pixels as the brush covers at fit, `radius` being in the pixels of
// the pane at fit (paneWidth x paneHeight). None when the point lies within the line step of the
// edge, measured in those pixels as at fit.
std::optional<BrushRectangle> brushRectangleAt(double photoX, double photoY, int radius,
                                               int lineStep, int paneWidth, int paneHeight,
                                               int photoHeight);

// The sketch pixels a pass over the photo rectangle may write, with a pixel to spare all round.
BrushRectangle sketchAreaOf(const BrushRectangle& photoArea);

// Whether the brush outline shows at this pane position: not within 4 pixels of the pane's edge.
bool brushOutlineVisible(int x, int y, int paneWidth, int paneHeight);

// One freehand step: the disc pass over the rectangle, by the fast kernel for the sketch styles. A
// pass that meets a lattice row outside the photo stops there, keeping what it drew, as the
// per-pixel pass does; false then.
bool runFreehandPass(const BrushRectangle& rectangle, const Raster& photo, Raster& sketch,
                     const SketchSettings& settings, PenStyle style);

}  // namespace carbonel
