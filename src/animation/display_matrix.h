#pragma once

#include <cstdint>

namespace carbonel {

// The Exif orientation (1..8) that turns a video's stored frames upright for its display matrix
// (nine 16.16 and 2.30 fixed-point numbers, as MP4 and FFmpeg keep them): the turn and mirroring
// ffmpeg's autorotation applies. A rotation that is no multiple of a quarter turn is left alone.
int displayOrientation(const std::int32_t matrix[9]);

}  // namespace carbonel
