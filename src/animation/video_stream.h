#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "sketch/raster.h"

// What the sketch video pipeline and the video module (libcarbonel_video.so, FFmpeg) pass each
// other: the types behind CarbonelModule::openVideoSource and ::openVideoEncoder. A change to
// any of them bumps kModuleAbi.
namespace carbonel {

// A rational number of seconds (a time base) or of frames a second (a frame rate).
struct Ratio {
    std::int64_t num = 0, den = 1;
    bool isValid() const { return num > 0 && den > 0; }
    double value() const { return static_cast<double>(num) / static_cast<double>(den); }
};

// What the video is opened for.
struct VideoSourceRequest {
    double start = 0;  // seconds from the video's start, where decoding is to begin (at or before)
    bool upright = true;  // turned by the stream's display matrix (a phone's rotation)
    // Set by a signal: the decoder stops waiting on its input and its next frame fails.
    const std::atomic<int>* stop = nullptr;
};

// A video opened for decoding: its size, once turned upright, and its times.
struct VideoSourceInfo {
    int width = 0, height = 0;
    Ratio timeBase;           // the unit of the frames' times
    Ratio frameRate;          // average; invalid when the container gives none
    double duration = 0;      // seconds, 0 when unknown
    std::int64_t frames = 0;  // as the container counts them, 0 when unknown
    bool hasAudio = false;
};

// One decoded frame, in presentation order.
struct DecodedFrame {
    Raster picture;             // upright, B, G, R
    std::int64_t time = 0;      // from the video's start, in the time base; may lie before `start`
    std::int64_t duration = 0;  // as the container gives it, 0 when unknown
};

class VideoSource {
  public:
    virtual ~VideoSource() = default;
    virtual const VideoSourceInfo& info() const = 0;
    // The next frame; false after the last. Damaged frames are concealed as the decoder does, and
    // counted.
    virtual bool next(DecodedFrame& frame) = 0;
    virtual int concealedFrames() const = 0;
};

// The containers a sketch video is encoded in: H.264 in MP4, VP9 in WebM.
enum class VideoContainer { Mp4, Webm };

// What the encoder writes: the frames' size and times, and the sound of the input where asked.
struct VideoEncoding {
    VideoContainer container = VideoContainer::Mp4;
    int width = 0, height = 0;  // even
    Ratio timeBase;             // of the frames' times
    Ratio frameRate;            // their average rate, for the encoder's rate control
    // The input whose first audio stream is copied (where the container takes its codec) or
    // encoded (AAC in MP4, Opus in WebM); "" for no sound. Its part from `audioStart` seconds, for
    // `audioDuration` seconds where given.
    std::string audioFrom;
    double audioStart = 0;
    std::optional<double> audioDuration;
};

// Where the sketches go, one frame at a time, in order.
class VideoSink {
  public:
    virtual ~VideoSink() = default;
    // The sketch of the next frame (the whole sketch, one pixel wider and taller than the frame),
    // shown from `time` for `duration`, both in the sink's time base. The sink crops it as its
    // format needs.
    virtual void addFrame(const Raster& sketch, std::int64_t time, std::int64_t duration) = 0;
    // After the last frame. A sink destroyed unfinished leaves nothing behind.
    virtual void finish() = 0;
};

}  // namespace carbonel
