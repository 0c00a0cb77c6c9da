#pragma once

// What the JPEG code shares around libjpeg: its error handling and the program's encoder
// settings. Include after <cstdio>.
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace carbonel {

// libjpeg reports errors by calling error_exit, whose default ends the process. Ours jumps back
// into runGuarded, the one frame that calls setjmp; the steps it runs hold only plain C data, so
// the jump skips no destructor. The C++ error is raised outside, once the jump has landed.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf landing;
    int code;
    int systemError;  // errno as the library failed, for a failed write
    char text[JMSG_LENGTH_MAX];
};

// Errors jump; warnings about damaged data (a truncated file, a broken Huffman code) jump too,
// as they would otherwise give a half-grey picture; nothing is printed.
void installErrorManager(JpegErrorManager& manager);

// Runs one libjpeg step; false (with the manager's code and text set) when libjpeg raised an
// error.
bool runGuarded(JpegErrorManager* manager, void (*step)(void*), void* context);

// Ends the libjpeg step under way as a refusal, "JPEG file refused: REASON".
[[noreturn]] void jumpWithReason(j_common_ptr info, const char* reason);

// The error a failed step raised, as the program's exception.
[[noreturn]] void throwJpegError(const JpegErrorManager& manager);

// The program's JPEG: default settings (4:2:0 YCbCr, JFIF) but the floating-point DCT, the
// quality (20 unless asked otherwise) with baseline tables, written into `out`.
void configureEncoder(jpeg_compress_struct* info, std::FILE* out, int width, int height,
                      int quality);

}  // namespace carbonel
