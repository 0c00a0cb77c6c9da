#include "cli/gif_command.h"

#include <cerrno>
#include <cstring>

#include "animation/animation_export.h"
#include "animation/animation_formats.h"
#include "cli/cli_options.h"
#include "cli/report.h"
#include "cli/standard_streams.h"
#include "imageio/file_bytes.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"

namespace carbonel::cli {
namespace {

Error numbered(int index, const std::string& path, const Error& error) {
    return Error("frame " + std::to_string(index + 1) + ": " + aboutFile(path, error.what()));
}

// A frame's photo whose failures, also those found while its rows are read, name the frame.
class NumberedFrame : public PhotoReader {
  public:
    NumberedFrame(const std::string& path, int index) : path_(path), index_(index) {
        try {
            reader_ = openPhotoFile(path);
        } catch (const Error& error) {
            throw numbered(index_, path_, error);
        }
    }
    int width() const override { return reader_->width(); }
    int height() const override { return reader_->height(); }
    void readRows(const RowSink& sink) override {
        try {
            reader_->readRows(sink);
        } catch (const Error& error) {
            throw numbered(index_, path_, error);
        }
    }

  private:
    std::string path_;
    int index_;
    std::unique_ptr<PhotoReader> reader_;
};

}  // namespace

int runGif(const GifArgs& args, bool animate) {
    try {
        int width = args.width, height = args.height;
        if (width == 0) {
            const std::unique_ptr<PhotoReader> first = openPhotoFile(args.frames.front());
            width = first->width();
            height = first->height();
        }
        FrameList frames;
        frames.count = static_cast<int>(args.frames.size());
        frames.rows = [&](int index) -> std::unique_ptr<PhotoReader> {
            return std::make_unique<NumberedFrame>(args.frames[static_cast<std::size_t>(index)],
                                                   index);
        };
        frames.frame = [&](int index) { return readAllRows(*frames.rows(index)); };
        if (animate) {
            exportAnimationFile(frames, width, height, args.output, {args.delayMs, args.loops});
        } else if (args.output == "-") {
            writeStandardOutput([&](std::FILE* out) {
                writeAnimation(frames, width, height, [&](const std::string& bytes) {
                    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
                        throw Error(std::string("Cannot write standard output: ") +
                                    std::strerror(errno));
                });
            });
        } else {
            exportAnimation(frames, width, height, args.output);
        }
        return 0;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}

}  // namespace carbonel::cli
