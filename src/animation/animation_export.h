#pragma once

#include <functional>
#include <string>
#include <vector>

#include "animation/gif_document.h"
#include "imageio/photo_reader.h"
#include "sketch/raster.h"

namespace carbonel {

// Every exported frame shows for 0.30 s, and the animation repeats for ever.
inline constexpr std::uint16_t kFrameDelay = 30;

// Appends the picture as a frame with its graphic control extension (delay 30; with
// `transparent`, the colour at its bottom-left pixel after reduction is transparent), the first
// frame also with the loop extension. Returns the frame's index. An empty picture fails with
// "Invalid pixel coordinates" when transparency is asked for.
int addGifFrame(GifDocument& document, const Raster& picture, bool transparent);
// The same for a picture already reduced to colour indices.
int addIndexedFrame(GifDocument& document, IndexedPicture picture, bool transparent);

// Draws `frame` over the whole of `composition`, scaled by nearest neighbour (rows and columns
// repeated or dropped, never averaged); pure white frame pixels are not drawn.
void drawFrameSkippingWhite(Raster& composition, const Raster& frame);

// A rectangle of the composition: columns left..right-1 of rows top..bottom-1.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool isEmpty() const { return right <= left || bottom <= top; }
};

// The same drawing, as the frame's rows are read: memory holds one frame row at a time, never the
// frame. Returns the box around the composition pixels it changed (empty when none did); with
// `changed`, also a flag a pixel (1 where it changed, row after row), valid inside the box.
PixelBox drawFrameRows(Raster& composition, PhotoReader& frame,
                       std::vector<std::uint8_t>* changed = nullptr);

// The same drawing over a composition kept as web-palette indices (width x height, a byte a
// pixel), as drawFrameSkippingWhite and ReduceColors would together, the frame read a row at a
// time.
void drawFrameIndices(std::vector<std::uint8_t>& composition, int width, int height,
                      PhotoReader& frame);

// How long each frame shows and how often the animation plays.
struct AnimationTiming {
    int delayMs = kFrameDelay * 10;
    int loops = 0;  // 0: for ever
};

// The recorded frames, read one at a time in list order.
struct FrameList {
    int count = 0;
    std::function<Raster(int index)> frame;
    // Where set, a GIF reads each frame from here a row at a time instead, and holds no frame
    // whole: only the composition's colour indices.
    std::function<std::unique_ptr<PhotoReader>(int index)> rows;
};

// Builds the animation of the frames at width x height and writes it to `path`: each frame is
// drawn onto one white composition that is never cleared, and every state of the composition
// becomes a GIF frame. No frames ("Unsupported GIF version") or a zero size ("Invalid pixel
// coordinates") is refused before the file is created; the file appears only when complete. The
// same as exportAnimationFile in AnimationFormat::Gif, whatever the path's extension.
void exportAnimation(const FrameList& frames, int width, int height, const std::string& path,
                     int threads = 0, const AnimationTiming& timing = {});

// What every animation file refuses before it is made: no frames ("Unsupported GIF version") or a
// zero size ("Invalid pixel coordinates").
void checkAnimation(const FrameList& frames, int width, int height);

// The same animation as a GIF document.
GifDocument buildAnimation(const FrameList& frames, int width, int height);

}  // namespace carbonel
