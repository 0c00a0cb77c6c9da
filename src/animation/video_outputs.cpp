#include "animation/video_outputs.h"

#include "imageio/file_suffixes.h"
#include "imageio/folder_order.h"
#include "imageio/modules.h"
#include "imageio/output_formats.h"
#include "sketch/error.h"

namespace carbonel {

VideoOutput videoOutputFor(const std::string& path) {
    VideoOutput output;
    if (FramePattern::looksLikeOne(path)) {
        output.pattern = FramePattern::parse(path);
        if (!output.pattern) {
            throw Error(path +
                        ": a picture a frame needs one frame number in the name, %d or %0Nd "
                        "(N from 1 to 9), and %% for a percent sign");
        }
        const std::optional<OutputFormat> format = outputFormatOfName(output.pattern->name(1));
        if (!format) {
            throw Error(
                path + ": the frames' extension names no picture format: " + outputExtensionList());
        }
        output.kind = VideoOutputKind::Pictures;
        output.pictureFormat = *format;
        return output;
    }
    const std::string extension = toLowerAscii(fileExtension(path));
    if (isOneOf(kMp4Suffixes, extension)) {
        output.kind = VideoOutputKind::Mp4;
    } else if (isOneOf(kWebmSuffixes, extension)) {
        output.kind = VideoOutputKind::Webm;
    } else if (isOneOf(kGifSuffixes, extension)) {
        output.kind = VideoOutputKind::Gif;
    } else {
        throw Error(path +
                    ": a sketch video is written as .mp4, .webm or .gif, or as pictures "
                    "named with a frame number (frames/%05d.png)");
    }
    return output;
}

std::unique_ptr<VideoSource> openVideoSource(const std::string& path,
                                             const VideoSourceRequest& request) {
    const auto open = moduleEntry("video", "Video", &CarbonelModule::openVideoSource);
    return std::unique_ptr<VideoSource>(open(path.c_str(), &request));
}

std::unique_ptr<VideoSink> openVideoEncoder(std::FILE* out, const VideoEncoding& encoding) {
    const auto open = moduleEntry("video", "Video", &CarbonelModule::openVideoEncoder);
    return std::unique_ptr<VideoSink>(open(out, &encoding));
}

}  // namespace carbonel
