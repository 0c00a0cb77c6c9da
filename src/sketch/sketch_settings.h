#pragma once

namespace carbonel {

// The values every pass reads at the moment it runs. The start values are those the main
// window holds before any control has set them.
struct SketchSettings {
    int edgeThreshold = 30;  // 200 - Precision
    int lineStep = 3;        // the Line track bar, 1..15
    int outputScale = 1;     // photo pixels per sketch pixel
    int brushRadius = 20;    // freehand brush radius, in pixels of the sketch pane
};

// Pen, Pencil and Pastel sketch; Brush paints the photo's mean colour; Eraser paints white.
enum class PenStyle { Pen, Pencil, Pastel, Brush, Eraser };

// Which page of the main window is active: Convert lives on Automatic, the mouse draws on
// Freehand. Passes behave differently on the two.
enum class ActivePage { Automatic, Freehand };

// The inclusive range of edge counts that Pen and Pastel draw, from the line step alone.
struct CountWindow {
    int lower;
    int upper;
};

constexpr CountWindow countWindowFor(int lineStep) {
    const int span = (2 * lineStep + 1) * (2 * lineStep + 1);
    return {span / 4 / lineStep / lineStep, 3 * span / 4 / lineStep / lineStep};
}

}  // namespace carbonel
