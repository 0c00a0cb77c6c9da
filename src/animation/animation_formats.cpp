#include "animation/animation_formats.h"

#include "animation/video_writers.h"
#include "imageio/atomic_file.h"
#include "imageio/file_bytes.h"
#include "imageio/folder_order.h"
#include "imageio/picture_names.h"
#include "sketch/error.h"

namespace carbonel {

AnimationFormat animationFormatFor(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == ".gif") return AnimationFormat::Gif;
    if (extension == ".webp") return AnimationFormat::Webp;
    if (extension == ".mp4") return AnimationFormat::Mp4;
    throw Error(path + ": animations are written as .gif, .webp or .mp4");
}

void exportAnimationFile(const FrameList& frames, int width, int height, const std::string& path,
                         const AnimationTiming& timing) {
    const AnimationFormat format = animationFormatFor(path);
    if (format == AnimationFormat::Gif) {
        exportAnimation(frames, width, height, path, 0, timing);
        return;
    }
    checkAnimation(frames, width, height);
    AtomicFile file(path);
    try {
        std::unique_ptr<AnimationWriter> writer =
            openAnimationWriter(format, file.stream(), width, height, timing);
        Raster composition(width, height);
        for (int i = 0; i < frames.count; ++i) {
            drawFrameSkippingWhite(composition, frames.frame(i));
            writer->addFrame(composition);
        }
        writer->finish();
    } catch (const Error& error) {
        throw Error(aboutFile(path, error.what()));
    }
    file.commit();
}

}  // namespace carbonel
