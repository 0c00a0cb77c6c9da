#pragma once

#include "sketch/raster.h"
#include "sketch/sketch_settings.h"
#include "sketch/texture.h"

namespace carbonel {

// What the Convert button reads from the main window.
struct ConversionOptions {
    int precision = 170;  // 0..200; the edge threshold is 200 - precision
    int line = 1;         // 1..15; the line step
    PenStyle style = PenStyle::Pencil;
    ActivePage page = ActivePage::Automatic;
    const Raster* texture = nullptr;  // the paper, or none ("NULL")
    TextureFit textureFit = TextureFit::Tile;
    int threads = 0;  // 0: every core
};

// The settings a conversion with these options runs with.
SketchSettings conversionSettings(const ConversionOptions& options);

// Turns the whole photo into a new sketch, one pixel wider and taller than the photo: white or
// the paper, then one region pass over the photo less a line-step margin. Uses the fast path
// where it applies; the result is always exactly that of convertPhotoReference.
Raster convertPhoto(const Raster& photo, const ConversionOptions& options);

// The same conversion, pixel by pixel through runRegionPass and sketchPixel.
Raster convertPhotoReference(const Raster& photo, const ConversionOptions& options);

// The blank sheet a conversion starts from: white, or the paper laid over it.
Raster blankSketchFor(const Raster& photo, const ConversionOptions& options);

// The fast region pass of Convert on the Automatic page for Pen, Pencil and Pastel: decides every
// photo pixel with 2L <= x <= W-L-2 and 2L <= y <= H-L-2 into a sketch at the photo's own scale.
// Returns false, writing nothing, when the settings or style lie outside what it handles.
bool sketchWholePhotoFast(const Raster& photo, Raster& sketch, const SketchSettings& settings,
                          PenStyle style, int threads);

}  // namespace carbonel
