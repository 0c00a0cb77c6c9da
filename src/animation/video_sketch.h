#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "animation/frame_timeline.h"
#include "animation/video_stream.h"
#include "sketch/convert.h"

namespace carbonel {

// The files a sketch video is made from and into, for messages.
struct VideoNames {
    std::string input, output;
};

// Sketches every frame of a video into a sink, streaming: one thread decodes, the conversion's
// threads (options.threads, 0: every core) sketch a whole frame each (convertPhoto), and this one
// encodes, each stage handing the next a frame through a small queue, so that memory holds a few
// frames whatever the video's length. `timeline` picks and times the frames shown (its time base
// is the source's). `progress` hears how many frames have been written. A failure of any stage
// stops the others and is thrown here, naming its file, the sink left unfinished; so is a signal
// seen in `stop` (its failure is then the caller's to tell). No frame to show fails too, before the
// sink is finished. Returns the number of frames written.
std::int64_t sketchVideo(VideoSource& source, FrameTimeline& timeline,
                         const ConversionOptions& options, VideoSink& sink, const VideoNames& names,
                         const std::atomic<int>* stop = nullptr,
                         const std::function<void(std::int64_t written)>& progress = {});

}  // namespace carbonel
