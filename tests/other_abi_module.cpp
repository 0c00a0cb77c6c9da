#include "imageio/module_abi.h"

// A module of another build of the program: its table carries another module ABI, which the
// loader must refuse before it looks at any entry (tests/module_abi.sh).
const carbonel::CarbonelModule* carbonel_module() {
    static constexpr carbonel::CarbonelModule table{.abi = carbonel::kModuleAbi + 1,
                                                    .openPhotoRows = nullptr,
                                                    .openSketchWriter = nullptr,
                                                    .openAnimationWriter = nullptr,
                                                    .openVideoSource = nullptr,
                                                    .openVideoEncoder = nullptr};
    return &table;
}
