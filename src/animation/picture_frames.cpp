#include <unistd.h>

#include "animation/video_outputs.h"
#include "imageio/sketch_writer.h"
#include "sketch/error.h"

namespace carbonel {

namespace {

// One sketch file a frame, numbered from 1 as ffmpeg numbers a picture sequence, so that frame k
// here is frame k of `ffmpeg -i VIDEO PATTERN`.
class PictureFrames : public VideoSink {
  public:
    PictureFrames(const FramePattern& pattern, OutputFormat format, const FileOptions& files,
                  int photoWidth, int photoHeight)
        : pattern_(pattern),
          format_(format),
          files_(files),
          photoWidth_(photoWidth),
          photoHeight_(photoHeight) {
        // A run that fails takes back the frames it wrote: frames of an earlier run under the
        // same names would be replaced first and lost, so they are never written over.
        const std::string first = pattern_.name(1);
        if (::access(first.c_str(), F_OK) == 0)
            throw Error(first + ": already exists; remove the old frames or name new ones");
    }
    ~PictureFrames() override {
        if (finished_) return;
        for (std::int64_t number = 1; number <= written_; ++number)
            ::unlink(pattern_.name(number).c_str());
    }

    // Frames are sketched side by side already: each PNG compresses on the thread that writes it.
    void addFrame(const Raster& sketch, std::int64_t, std::int64_t) override {
        writeSketchFile(sketch, pattern_.name(written_ + 1), format_, photoWidth_, photoHeight_,
                        files_.jpegQuality, files_.trace, files_.pngLevel, 1);
        ++written_;
    }
    void finish() override { finished_ = true; }

  private:
    FramePattern pattern_;
    OutputFormat format_;
    FileOptions files_;
    int photoWidth_, photoHeight_;
    std::int64_t written_ = 0;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<VideoSink> openPictureFrames(const FramePattern& pattern, OutputFormat format,
                                             const FileOptions& files, int photoWidth,
                                             int photoHeight) {
    return std::make_unique<PictureFrames>(pattern, format, files, photoWidth, photoHeight);
}

}  // namespace carbonel
