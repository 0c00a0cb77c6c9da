#pragma once

#include <string>

#include "animation/gif_document.h"

namespace carbonel {

// The whole GIF file of a document, appended to `out`. Fails with "Unsupported GIF version" for
// a document without frames. Frames are LZW-coded on every core (`threads` 0), or as many as asked.
void writeGif(const GifDocument& document, std::string& out, int threads = 0);

// The same file in pieces, for one written as its frames are made: the header (version, logical
// screen, global table), the frames with their extensions, and the trailer.
void writeGifHeader(const GifDocument& document, std::string& out);
void writeGifFrames(const GifDocument& document, std::string& out, int threads = 0);
inline constexpr char kGifTrailer = '\x3B';

// Writes the document's file; it appears only when complete. Fails with "Cannot create file %s".
void saveGif(const GifDocument& document, const std::string& path, int threads = 0);

}  // namespace carbonel
