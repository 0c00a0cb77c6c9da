#pragma once

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"
#include "sketch/texture.h"

namespace carbonel {

// What a conversion of a whole photo reads: Precision, Line, the style, the paper.
struct ConversionOptions {
    int precision = kPrecision.start;  // the edge threshold is 200 - precision
    int line = kLine.start;            // the line step
    PenStyle style = kStartStyle;
    const Raster* texture = nullptr;  // the paper, or none ("NULL")
    TextureFit textureFit = kStartTextureFit;
    int threads = 0;  // 0: every core
};

// The settings a conversion with these options runs with.
SketchSettings conversionSettings(const ConversionOptions& options);

// Turns the whole photo into a new sketch, one pixel wider and taller than the photo: white or
// the paper, then one region pass over the photo less a line-step margin. Uses the fast path
// where it applies; the result is always exactly that of convertPhotoReference.
Raster convertPhoto(const Raster& photo, const ConversionOptions& options);

// Whether the fast kernel decides pixels for this style and these settings: the sketch styles,
// with a line step and a threshold in use.
bool fastKernelHandles(const SketchSettings& settings, PenStyle style);

// Whether convertPhoto takes the fast path for these options: the sketch styles.
bool usesFastPath(const ConversionOptions& options);

// The same conversion, pixel by pixel through runRegionPass and sketchPixel.
Raster convertPhotoReference(const Raster& photo, const ConversionOptions& options);

// The blank sheet a conversion starts from: white, or the paper laid over it.
Raster blankSketchFor(const Raster& photo, const ConversionOptions& options);

// The fast pass over the photo rows beginRow..endRow-1 only (the rows outside the decided band are
// skipped): every photo pixel with 2L <= x <= W-L-2 in them is decided into the sketch. It reads
// photo rows up to endRow - 1 + lineStep; the sketch must not be shared, and usesFastPath must hold
// for the options the settings come from.
void sketchRowsFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                    PenStyle style, int beginRow, int endRow);

// The fast sketch pass of a freehand brush: what runDiscPass does for Pen, Pencil and Pastel, row
// span by row span of the disc. Returns false,
// having written what lies before it, where the per-pixel pass would fail on a lattice row outside
// the photo.
bool sketchDiscFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                    PenStyle style, int left, int top, int right, int bottom);

// Fills the rows beginRow..endRow-1 of a fresh sketch with white or with the paper.
void fillBlankRows(Raster& sketch, const ConversionOptions& options, int beginRow, int endRow);

// The number of threads a conversion with this request uses (0: every core).
int conversionThreads(int requested);

}  // namespace carbonel
