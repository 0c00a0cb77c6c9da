#pragma once

#include <cstdio>

// What a module (libcarbonel_NAME.so) and the program agree on. A module exports one C function,
// carbonel_module, returning its table; everything else in it is hidden, the code of our
// libraries it takes in too. The types are only named here, so that this header pulls in no
// layer: a module includes the headers of the types it implements.
namespace carbonel {

class PhotoInput;
class PhotoReader;
enum class PhotoReading;
class SketchWriter;
struct SketchFrame;
enum class OutputFormat;
class AnimationWriter;
struct AnimationTiming;
class VideoSource;
struct VideoSourceRequest;
class VideoSink;
struct VideoEncoding;

// Bumped whenever an entry's signature, or the layout of a type passed through one, changes: a
// module built for another number is refused before any of its entries is called.
inline constexpr int kModuleAbi = 4;

// A module's entries: those of its kinds are set, the others are null. `abi` comes first and
// stays first whatever else changes, so that any build can read it.
struct CarbonelModule {
    int abi;
    // A photo's reader; it takes the input over.
    PhotoReader* (*openPhotoRows)(PhotoInput* input, PhotoReading reading);
    // A sketch's writer into `out`, which stays the caller's.
    SketchWriter* (*openSketchWriter)(OutputFormat format, std::FILE* out,
                                      const SketchFrame* frame);
    // An animation's writer into `out` (readable and seekable), which stays the caller's.
    AnimationWriter* (*openAnimationWriter)(std::FILE* out, int width, int height,
                                            const AnimationTiming* timing);
    // A video's decoder; the path names the file in every failure.
    VideoSource* (*openVideoSource)(const char* path, const VideoSourceRequest* request);
    // A sketch video's encoder into `out` (readable and seekable), which stays the caller's.
    VideoSink* (*openVideoEncoder)(std::FILE* out, const VideoEncoding* encoding);
};

}  // namespace carbonel

// The one symbol a module exports.
extern "C" __attribute__((visibility("default"))) const carbonel::CarbonelModule* carbonel_module();
