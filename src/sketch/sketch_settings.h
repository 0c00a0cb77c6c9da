#pragma once

#include "sketch/start_values.h"

namespace carbonel {

// The values every pass reads at the moment it runs.
struct SketchSettings {
    int edgeThreshold = 200 - kPrecision.start;
    int lineStep = kLine.start;
};

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
