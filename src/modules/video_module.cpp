#include "video_module.h"

#include "imageio/module_abi.h"

// FFmpeg's libraries are large to load: they live in this module, loaded only when a video is read
// or written, so that other runs of the programs do not load them.
const carbonel::CarbonelModule* carbonel_module() {
    static constexpr carbonel::CarbonelModule table{
        .abi = carbonel::kModuleAbi,
        .openPhotoRows = nullptr,
        .openSketchWriter = nullptr,
        .openAnimationWriter = carbonel::openMp4Animation,
        .openVideoSource = carbonel::openVideoDecoder,
        .openVideoEncoder = carbonel::openVideoFileEncoder};
    return &table;
}
