extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "animation/video_writers.h"
#include "imageio/module_abi.h"
#include "sketch/error.h"

// The MP4 writer: a module of its own, loaded only when an MP4 is written, so that FFmpeg's
// libraries are not loaded by every run of the programs.
namespace carbonel {
namespace {

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void check(int code, const char* what) {
    if (code < 0) throw Error(std::string("MP4 error: ") + what + ": " + averror(code));
}

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

// H.264 in MP4, yuv420p for every player: a sketch of odd size is padded with white to even
// sides, never cropped. Each frame lasts the delay; the index is at the front (faststart) in a
// file, and the video fragmented where it can only be written in order.
class Mp4Animation : public AnimationWriter {
  public:
    Mp4Animation(std::FILE* out, int width, int height, const AnimationTiming& timing)
        : width_(width),
          height_(height),
          evenWidth_(width + width % 2),
          evenHeight_(height + height % 2) {
        try {
            av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are not the tool's to print
            const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
            if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
            if (!codec) throw Error("MP4 error: no H.264 encoder is installed");
            check(avformat_alloc_output_context2(&format_, nullptr, "mp4", nullptr),
                  "no MP4 muxer");
            constexpr int kBufferSize = 1 << 16;
            auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
            io_ = avio_alloc_context(buffer, kBufferSize, 1, out, readFile, writeFile, seekFile);
            if (!io_) throw Error("MP4 error: out of memory");
            format_->pb = io_;
            format_->flags |= AVFMT_FLAG_CUSTOM_IO;
            format_->opaque = out;
            format_->io_open = openReadBack;
            format_->io_close2 = closeReadBack;
            stream_ = avformat_new_stream(format_, nullptr);
            codec_ = avcodec_alloc_context3(codec);
            if (!stream_ || !codec_) throw Error("MP4 error: out of memory");
            codec_->width = evenWidth_;
            codec_->height = evenHeight_;
            codec_->pix_fmt = AV_PIX_FMT_YUV420P;
            codec_->time_base = AVRational{timing.delayMs, 1000};  // one tick a frame
            codec_->framerate = AVRational{1000, timing.delayMs};
            if (format_->oformat->flags & AVFMT_GLOBALHEADER)
                codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            // No frames held ahead (no look-ahead, no B-frames) and two threads: memory holds a few
            // frames, whatever the recording's length and the machine's cores.
            av_opt_set(codec_->priv_data, "preset", "veryfast", 0);
            av_opt_set(codec_->priv_data, "tune", "zerolatency", 0);
            codec_->thread_count = 2;
            check(avcodec_open2(codec_, codec, nullptr), "cannot open the H.264 encoder");
            check(avcodec_parameters_from_context(stream_->codecpar, codec_), "bad parameters");
            stream_->time_base = codec_->time_base;
            AVDictionary* options = nullptr;
            av_dict_set(
                &options, "movflags",
                readsBack(out) ? "+faststart" : "frag_keyframe+empty_moov+default_base_moof", 0);
            const int started = avformat_write_header(format_, &options);
            av_dict_free(&options);
            check(started, "cannot write the header");
            frame_ = av_frame_alloc();
            packet_ = av_packet_alloc();
            if (!frame_ || !packet_) throw Error("MP4 error: out of memory");
            frame_->format = AV_PIX_FMT_YUV420P;
            frame_->width = evenWidth_;
            frame_->height = evenHeight_;
            check(av_frame_get_buffer(frame_, 0), "out of memory");
            scale_ =
                sws_getContext(evenWidth_, evenHeight_, AV_PIX_FMT_BGR24, evenWidth_, evenHeight_,
                               AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
            if (!scale_) throw Error("MP4 error: cannot convert the colours");
            padded_.assign(std::size_t(evenWidth_) * 3 * std::size_t(evenHeight_), 255);

        } catch (...) {
            release();  // what was made before the failure
            throw;
        }
    }
    ~Mp4Animation() override { release(); }
    void addFrame(const Raster& frame, const PixelBox&, const std::vector<std::uint8_t>&) override {
        for (int y = 0; y < height_; ++y)
            std::memcpy(&padded_[std::size_t(y) * evenWidth_ * 3], frame.rowUnchecked(y),
                        std::size_t(width_) * 3);
        check(av_frame_make_writable(frame_), "out of memory");
        const std::uint8_t* source[1] = {padded_.data()};
        const int stride[1] = {evenWidth_ * 3};
        sws_scale(scale_, source, stride, 0, evenHeight_, frame_->data, frame_->linesize);
        frame_->pts = next_++;
        encode(frame_);
    }
    void finish() override {
        encode(nullptr);
        check(av_write_trailer(format_), "cannot write the index");
        avio_flush(io_);
    }

  private:
    // Whether the muxer can seek in the file and read it back to move its index to the front: a
    // regular file opened to read and write. Anywhere else (a pipe, standard output, a device)
    // the video is written in order, fragmented: an empty index first, then each few frames with
    // their own.
    static bool readsBack(std::FILE* out) {
        const int flags = ::fcntl(::fileno(out), F_GETFL);
        struct stat status {};
        return flags >= 0 && (flags & O_ACCMODE) == O_RDWR && !(flags & O_APPEND) &&
               ::fstat(::fileno(out), &status) == 0 && S_ISREG(status.st_mode) &&
               ::ftello(out) >= 0;
    }
    void release() {
        sws_freeContext(scale_);
        scale_ = nullptr;
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&codec_);
        if (io_) {
            av_freep(&io_->buffer);
            avio_context_free(&io_);
        }
        if (format_) avformat_free_context(format_);
        format_ = nullptr;
    }
    void encode(AVFrame* frame) {
        check(avcodec_send_frame(codec_, frame), "cannot encode a frame");
        for (;;) {
            const int got = avcodec_receive_packet(codec_, packet_);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
            check(got, "cannot encode a frame");
            if (packet_->duration == 0) packet_->duration = 1;
            av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            check(av_interleaved_write_frame(format_, packet_), "cannot write a frame");
        }
    }

    int width_, height_, evenWidth_, evenHeight_;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scale_ = nullptr;
    std::vector<std::uint8_t> padded_;  // one frame, white beyond the sketch
    std::int64_t next_ = 0;
};

AnimationWriter* openWriter(std::FILE* out, int width, int height, const AnimationTiming* timing) {
    return new Mp4Animation(out, width, height, *timing);
}

}  // namespace
}  // namespace carbonel

const carbonel::CarbonelModule* carbonel_module() {
    static constexpr carbonel::CarbonelModule table{.abi = carbonel::kModuleAbi,
                                                    .openPhotoRows = nullptr,
                                                    .openSketchWriter = nullptr,
                                                    .openAnimationWriter = carbonel::openWriter};
    return &table;
}
