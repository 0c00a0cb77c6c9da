#include "ffmpeg_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "sketch/error.h"

namespace carbonel {

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void checkAv(int code, const std::string& prefix, const char* what) {
    if (code < 0) throw Error(prefix + ": " + what + ": " + averror(code));
}

void encodeInto(AVCodecContext* encoder, AVFrame* frame, AVPacket* packet, AVFormatContext* muxer,
                AVStream* stream, const std::string& prefix, const char* what,
                const std::function<void(AVPacket*)>& adjust) {
    const std::string encoding = std::string("cannot encode ") + what;
    checkAv(avcodec_send_frame(encoder, frame), prefix, encoding.c_str());
    for (;;) {
        const int got = avcodec_receive_packet(encoder, packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
        checkAv(got, prefix, encoding.c_str());
        if (adjust) adjust(packet);
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        checkAv(av_interleaved_write_frame(muxer, packet), prefix,
                (std::string("cannot write ") + what).c_str());
    }
}

namespace {

// The muxer writes, seeks and, to move its index to the front (faststart), reads back the file.
int readFile(void* opaque, std::uint8_t* buffer, int size) {
    const std::size_t got =
        std::fread(buffer, 1, std::size_t(size), static_cast<std::FILE*>(opaque));
    return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}
int writeFile(void* opaque, std::uint8_t* buffer, int size) {  // FFmpeg 5 passes no const
    std::FILE* file = static_cast<std::FILE*>(opaque);
    return std::fwrite(buffer, 1, std::size_t(size), file) == std::size_t(size) ? size
                                                                                : AVERROR(EIO);
}
std::int64_t seekFile(void* opaque, std::int64_t offset, int whence) {
    std::FILE* file = static_cast<std::FILE*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t here = ::ftello(file);
        if (::fseeko(file, 0, SEEK_END) != 0) return -1;
        const off_t size = ::ftello(file);
        ::fseeko(file, here, SEEK_SET);
        return size;
    }
    if (::fseeko(file, offset, whence & ~AVSEEK_FORCE) != 0) return -1;
    return ::ftello(file);
}

// What the muxer reads back of the file it wrote, at a position of its own: it writes the same
// file meanwhile, through the stream, so the two must not share one position.
struct ReadBack {
    std::FILE* file;
    std::int64_t position = 0;
};
int readBack(void* opaque, std::uint8_t* buffer, int size) {
    auto* back = static_cast<ReadBack*>(opaque);
    const ssize_t got = ::pread(::fileno(back->file), buffer, std::size_t(size), back->position);
    if (got <= 0) return got == 0 ? AVERROR_EOF : AVERROR(errno);
    back->position += got;
    return static_cast<int>(got);
}
std::int64_t seekBack(void* opaque, std::int64_t offset, int whence) {
    auto* back = static_cast<ReadBack*>(opaque);
    struct stat status {};
    if (::fstat(::fileno(back->file), &status) != 0) return -1;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return status.st_size;
        case SEEK_SET:
            back->position = offset;
            break;
        case SEEK_CUR:
            back->position += offset;
            break;
        case SEEK_END:
            back->position = status.st_size + offset;
            break;
        default:
            return -1;
    }
    return back->position;
}
// The muxer's second look at the file, to move its index to the front (faststart).
int openReadBack(AVFormatContext* format, AVIOContext** pb, const char*, int flags,
                 AVDictionary**) {
    if (flags & AVIO_FLAG_WRITE) return AVERROR(EPERM);
    auto* file = static_cast<std::FILE*>(format->opaque);
    if (std::fflush(file) != 0) return AVERROR(errno);
    constexpr int kBufferSize = 1 << 16;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    auto* back = new ReadBack{file};
    *pb = avio_alloc_context(buffer, kBufferSize, 0, back, readBack, nullptr, seekBack);
    if (!*pb) {
        delete back;
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    return 0;
}
int closeReadBack(AVFormatContext*, AVIOContext* pb) {
    delete static_cast<ReadBack*>(pb->opaque);
    av_freep(&pb->buffer);
    avio_context_free(&pb);
    return 0;
}

// Whether the muxer can seek in the file and read it back: a regular file opened to read and
// write.
bool readsBack(std::FILE* out) {
    const int flags = ::fcntl(::fileno(out), F_GETFL);
    struct stat status {};
    return flags >= 0 && (flags & O_ACCMODE) == O_RDWR && !(flags & O_APPEND) &&
           ::fstat(::fileno(out), &status) == 0 && S_ISREG(status.st_mode) && ::ftello(out) >= 0;
}

}  // namespace

FileMuxer::FileMuxer(std::FILE* out, const char* formatName, const std::string& errorPrefix)
    : readsBack_(readsBack(out)) {
    checkAv(avformat_alloc_output_context2(&format_, nullptr, formatName, nullptr), errorPrefix,
            "no muxer");
    constexpr int kBufferSize = 1 << 16;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    io_ = buffer ? avio_alloc_context(buffer, kBufferSize, 1, out, readFile, writeFile, seekFile)
                 : nullptr;
    if (!io_) {
        av_free(buffer);
        avformat_free_context(format_);
        throw Error(errorPrefix + ": out of memory");
    }
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    format_->opaque = out;
    format_->io_open = openReadBack;
    format_->io_close2 = closeReadBack;
}

FileMuxer::~FileMuxer() {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
    avformat_free_context(format_);
}

const char* FileMuxer::mp4Flags() const {
    // Where the file cannot be read back: an empty index first, then each few frames with their
    // own.
    return readsBack_ ? "+faststart" : "frag_keyframe+empty_moov+default_base_moof";
}

void FileMuxer::flush() {
    avio_flush(io_);
}

}  // namespace carbonel
