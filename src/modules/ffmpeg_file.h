#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <functional>
#include <string>

// What the video module's FFmpeg code shares: error text, and a muxer writing into a stream.
namespace carbonel {

// FFmpeg's words for an error code.
std::string averror(int code);

// Fails with "PREFIX: WHAT: REASON" where an FFmpeg call returned an error.
void checkAv(int code, const std::string& prefix, const char* what);

// An encoder's output into the muxer: sends `frame` (null: the end) to `encoder`, then writes
// every packet it gives back into `stream`, each first handed to `adjust` (if set) in the
// encoder's time base. Fails with "PREFIX: cannot encode WHAT" or "cannot write WHAT".
void encodeInto(AVCodecContext* encoder, AVFrame* frame, AVPacket* packet, AVFormatContext* muxer,
                AVStream* stream, const std::string& prefix, const char* what,
                const std::function<void(AVPacket*)>& adjust = {});

// A muxer of the format named (FFmpeg's "mp4", "webm") writing into `out`, which stays the
// caller's. Where `out` is a regular file opened to read and write, the muxer may seek in it and
// read it back (an MP4 then moves its index to the front); anywhere else (a pipe, standard
// output) it is written in order, and an MP4 is fragmented.
class FileMuxer {
  public:
    FileMuxer(std::FILE* out, const char* formatName, const std::string& errorPrefix);
    ~FileMuxer();
    FileMuxer(const FileMuxer&) = delete;
    FileMuxer& operator=(const FileMuxer&) = delete;

    AVFormatContext* context() { return format_; }
    // The MP4 muxer's flags for the file: its index at the front, or fragments.
    const char* mp4Flags() const;
    // After the trailer: every byte handed to the stream.
    void flush();

  private:
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    bool readsBack_ = false;
};

}  // namespace carbonel
