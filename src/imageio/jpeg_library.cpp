#include "imageio/jpeg_library.h"

#include <jerror.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "sketch/error.h"

namespace carbonel {
namespace {

void jumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->systemError = errno;
    manager->code = info->err->msg_code;
    info->err->format_message(info, manager->text);
    std::longjmp(manager->landing, 1);
}

// Stray bytes between markers are harmless.
void jumpOnCorruptData(j_common_ptr info, int level) {
    if (level == -1 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) jumpOnError(info);
}

void silence(j_common_ptr) {}

}  // namespace

void installErrorManager(JpegErrorManager& manager) {
    jpeg_std_error(&manager.base);
    manager.base.error_exit = jumpOnError;
    manager.base.emit_message = jumpOnCorruptData;
    manager.base.output_message = silence;
    manager.code = 0;
    manager.text[0] = 0;
}

bool runGuarded(JpegErrorManager* manager, void (*step)(void*), void* context) {
    if (setjmp(manager->landing) != 0) return false;
    step(context);
    return true;
}

void jumpWithReason(j_common_ptr info, const char* reason) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    manager->code = 0;
    std::snprintf(manager->text, sizeof manager->text, "%s", reason);
    std::longjmp(manager->landing, 1);
}

void throwJpegError(const JpegErrorManager& manager) {
    if (manager.code == 0) throw Error(std::string("JPEG file refused: ") + manager.text);
    if (manager.code == JERR_NO_BACKING_STORE) {
        // The decoder's memory limit, met by a small file that claims a huge progressive picture.
        throw Error(
            "JPEG file refused: decoding it would take far more memory than a file of "
            "its size can need");
    }
    std::string message = "JPEG error #" + std::to_string(manager.code) + ": " + manager.text;
    if (manager.code == JERR_FILE_WRITE && manager.systemError != 0)
        message += std::string(" (") + std::strerror(manager.systemError) + ")";
    throw Error(message);
}

void configureEncoder(jpeg_compress_struct* info, std::FILE* out, int width, int height,
                      int quality) {
    jpeg_stdio_dest(info, out);
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = 3;
    info->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(info);
    info->dct_method = JDCT_FLOAT;
    jpeg_set_quality(info, quality, TRUE);
}

}  // namespace carbonel
