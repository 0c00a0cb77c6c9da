#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>
#include <optional>
#include <string>

#include "animation/video_stream.h"

namespace carbonel {

// The sound of a video, carried into a sketch video: the input file is read a second time, for
// its first audio stream only, and the part from `start` seconds (after the file's start, as the
// video's frames count) for `duration` seconds is copied, where the container takes its codec as
// it is (any that MP4 takes, Opus in WebM), or else decoded and encoded as AAC (MP4) or Opus
// (WebM), its times moved to begin with the video's.
class AudioTrack {
  public:
    // Adds the sound's stream to `muxer`, before its header; null for a file without sound.
    static std::unique_ptr<AudioTrack> open(const std::string& path, double start,
                                            std::optional<double> duration,
                                            VideoContainer container, AVFormatContext* muxer,
                                            const std::string& errorPrefix);
    virtual ~AudioTrack() = default;
    // Writes the sound up to `seconds` from the start, so that it lies beside the frames of that
    // time (the muxer then needs to hold back little).
    virtual void writeUntil(double seconds) = 0;
    // Writes the rest.
    virtual void finish() = 0;
};

}  // namespace carbonel
