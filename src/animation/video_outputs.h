#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "animation/frame_pattern.h"
#include "animation/video_stream.h"
#include "imageio/picture_names.h"

namespace carbonel {

// The files a sketch video is written as: H.264 in MP4, VP9 in WebM, our own GIF, or one picture
// a frame.
enum class VideoOutputKind { Mp4, Webm, Gif, Pictures };

struct VideoOutput {
    VideoOutputKind kind = VideoOutputKind::Mp4;
    std::optional<FramePattern> pattern;             // Pictures: the frames' names
    OutputFormat pictureFormat = OutputFormat::Png;  // Pictures: by the pattern's extension
};

// What an output name asks for: ".mp4", ".webm" or ".gif" in any case, or a pattern with one frame
// number ("frames/%05d.png") whose extension is a format `convert` writes. Anything else fails
// (carbonel::Error), saying what is taken.
VideoOutput videoOutputFor(const std::string& path);

// A side of a sketch video's frames: the photo's, an odd one taking the sketch's extra line of
// paper, so that every side is even as yuv420p needs and no frame is padded.
inline int evenSide(int side) {
    return side + side % 2;
}

// The sketch video of the video at `path` (FFmpeg, from the video module).
std::unique_ptr<VideoSource> openVideoSource(const std::string& path,
                                             const VideoSourceRequest& request);
// An MP4 or WebM writer into `out` (readable and seekable), which stays the caller's (FFmpeg, from
// the video module).
std::unique_ptr<VideoSink> openVideoEncoder(std::FILE* out, const VideoEncoding& encoding);

// A GIF of width x height frames into `out`: each frame whole (opaque, never drawn over the one
// before), in the web palette, shown for its own time in hundredths of a second (their sum
// following the frames' times), looping for ever. Frames are LZW-coded on `threads` threads (0:
// every core), a few at a time.
std::unique_ptr<VideoSink> openVideoGif(std::FILE* out, int width, int height, Ratio timeBase,
                                        int threads = 0);

// One picture a frame, named by the pattern from 1 and written as `convert` writes a sketch of a
// photo of photoWidth x photoHeight. Each picture appears only once complete; a sink destroyed
// unfinished removes the pictures it wrote.
std::unique_ptr<VideoSink> openPictureFrames(const FramePattern& pattern, OutputFormat format,
                                             const FileOptions& files, int photoWidth,
                                             int photoHeight);

}  // namespace carbonel
