extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "animation/video_writers.h"
#include "ffmpeg_file.h"
#include "sketch/error.h"
#include "video_module.h"

// The recorder's MP4 writer.
namespace carbonel {
namespace {

void check(int code, const char* what) {
    checkAv(code, "MP4 error", what);
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
            muxer_ = std::make_unique<FileMuxer>(out, "mp4", "MP4 error");
            format_ = muxer_->context();
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
            av_dict_set(&options, "movflags", muxer_->mp4Flags(), 0);
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
        muxer_->flush();
    }

  private:
    void release() {
        sws_freeContext(scale_);
        scale_ = nullptr;
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&codec_);
        muxer_.reset();
        format_ = nullptr;
    }
    void encode(AVFrame* frame) {
        encodeInto(codec_, frame, packet_, format_, stream_, "MP4 error", "a frame",
                   [](AVPacket* packet) {
                       if (packet->duration == 0) packet->duration = 1;
                   });
    }

    int width_, height_, evenWidth_, evenHeight_;
    std::unique_ptr<FileMuxer> muxer_;
    AVFormatContext* format_ = nullptr;  // the muxer's
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scale_ = nullptr;
    std::vector<std::uint8_t> padded_;  // one frame, white beyond the sketch
    std::int64_t next_ = 0;
};

}  // namespace

AnimationWriter* openMp4Animation(std::FILE* out, int width, int height,
                                  const AnimationTiming* timing) {
    return new Mp4Animation(out, width, height, *timing);
}

}  // namespace carbonel
