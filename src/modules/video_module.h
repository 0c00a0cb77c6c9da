#pragma once

#include <cstdio>

#include "animation/video_stream.h"
#include "animation/video_writers.h"

// The video module's entries, each in a file of its own.
namespace carbonel {

// The recorder's animation as H.264 in MP4 (mp4_writer.cpp).
AnimationWriter* openMp4Animation(std::FILE* out, int width, int height,
                                  const AnimationTiming* timing);
// A video file decoded to upright frames (video_decoder.cpp).
VideoSource* openVideoDecoder(const char* path, const VideoSourceRequest* request);
// A sketch video encoded into MP4 or WebM, with the input's sound (video_encoder.cpp).
VideoSink* openVideoFileEncoder(std::FILE* out, const VideoEncoding* encoding);

}  // namespace carbonel
