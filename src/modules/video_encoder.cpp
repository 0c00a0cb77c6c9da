extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "audio_track.h"
#include "ffmpeg_file.h"
#include "sketch/error.h"
#include "video_module.h"

namespace carbonel {
namespace {

AVRational rational(const Ratio& ratio, const std::string& prefix) {
    if (!ratio.isValid() || ratio.num > INT_MAX || ratio.den > INT_MAX)
        throw Error(prefix + ": a time base FFmpeg cannot hold (" + std::to_string(ratio.num) +
                    "/" + std::to_string(ratio.den) + ")");
    return AVRational{static_cast<int>(ratio.num), static_cast<int>(ratio.den)};
}

// A sketch video: H.264 (libx264, preset veryfast, its default quality, CRF 23) in MP4, or VP9
// (libvpx, good quality at a speed fit for long clips) in WebM, yuv420p, each frame at the time it
// was given; the input's sound beside it, written as the frames come, so that the muxer holds back
// little.
class VideoFileEncoder : public VideoSink {
  public:
    VideoFileEncoder(std::FILE* out, const VideoEncoding& encoding)
        : mp4_(encoding.container == VideoContainer::Mp4),
          prefix_(mp4_ ? "MP4 error" : "WebM error"),
          width_(encoding.width),
          height_(encoding.height) {
        try {
            open(out, encoding);
        } catch (...) {
            release();
            throw;
        }
    }
    ~VideoFileEncoder() override { release(); }

    void addFrame(const Raster& sketch, std::int64_t time, std::int64_t duration) override {
        check(av_frame_make_writable(frame_), "out of memory");
        // The sketch's own rows, all but the last two: those go through a copy with room past the
        // row, as swscale's vector code may read beyond a row's end.
        const int stride[4] = {static_cast<int>(sketch.bytesPerLine()), 0, 0, 0};
        const std::uint8_t* rows[4] = {sketch.rowUnchecked(0), nullptr, nullptr, nullptr};
        if (height_ > 2)
            sws_scale(scale_, rows, stride, 0, height_ - 2, frame_->data, frame_->linesize);
        for (int y = 0; y < 2; ++y)
            std::memcpy(lastRows_.data() + std::size_t(y) * padded_,
                        sketch.rowUnchecked(height_ - 2 + y), std::size_t(width_) * 3);
        const int lastStride[4] = {padded_, 0, 0, 0};
        const std::uint8_t* last[4] = {lastRows_.data(), nullptr, nullptr, nullptr};
        sws_scale(scale_, last, lastStride, height_ - 2, 2, frame_->data, frame_->linesize);
        frame_->pts = time;
        durations_[time] = duration;
        encode(frame_);
    }

    void finish() override {
        encode(nullptr);
        if (audio_) audio_->finish();
        check(av_write_trailer(format_), "cannot write the index");
        muxer_->flush();
    }

  private:
    void check(int code, const char* what) { checkAv(code, prefix_, what); }

    void open(std::FILE* out, const VideoEncoding& encoding) {
        av_log_set_level(AV_LOG_QUIET);  // the encoders' statistics are not the tool's to print
        const AVCodec* codec = mp4_ ? avcodec_find_encoder_by_name("libx264")
                                    : avcodec_find_encoder_by_name("libvpx-vp9");
        if (!codec && mp4_) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
        if (!codec)
            throw Error(prefix_ + (mp4_ ? ": no H.264 encoder is installed"
                                        : ": no VP9 encoder is installed"));
        muxer_ = std::make_unique<FileMuxer>(out, mp4_ ? "mp4" : "webm", prefix_);
        format_ = muxer_->context();
        stream_ = avformat_new_stream(format_, nullptr);
        codec_ = avcodec_alloc_context3(codec);
        if (!stream_ || !codec_) throw Error(prefix_ + ": out of memory");
        codec_->width = width_;
        codec_->height = height_;
        codec_->pix_fmt = AV_PIX_FMT_YUV420P;
        // What swscale's conversion from B, G, R gives: BT.601, limited range.
        codec_->colorspace = AVCOL_SPC_SMPTE170M;
        codec_->color_range = AVCOL_RANGE_MPEG;
        codec_->time_base = rational(encoding.timeBase, prefix_);
        if (encoding.frameRate.isValid()) codec_->framerate = rational(encoding.frameRate, prefix_);
        if (format_->oformat->flags & AVFMT_GLOBALHEADER)
            codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // A thread a core: more would hold a frame each and gain nothing.
        codec_->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        if (mp4_) {
            av_opt_set(codec_->priv_data, "preset", "veryfast", 0);
            // Sketches gain little from B-frames and a long look-ahead: without them x264 takes
            // a quarter less time and 100 MB less memory at 1080p, for 3 % more bytes.
            codec_->max_b_frames = 0;
            av_opt_set_int(codec_->priv_data, "rc-lookahead", 5, 0);
        } else {
            // Constant quality; "good" at speed 5 keeps VP9 within a few times real time.
            codec_->bit_rate = 0;
            av_opt_set_int(codec_->priv_data, "crf", 32, 0);
            av_opt_set(codec_->priv_data, "deadline", "good", 0);
            av_opt_set_int(codec_->priv_data, "cpu-used", 5, 0);
            av_opt_set_int(codec_->priv_data, "row-mt", 1, 0);
            // Fewer frames held back for its look-ahead: memory stays a few frames.
            av_opt_set_int(codec_->priv_data, "lag-in-frames", 8, 0);
        }
        check(avcodec_open2(codec_, codec, nullptr), "cannot open the video encoder");
        check(avcodec_parameters_from_context(stream_->codecpar, codec_), "bad video parameters");
        stream_->time_base = codec_->time_base;
        if (!encoding.audioFrom.empty()) {
            audio_ = AudioTrack::open(encoding.audioFrom, encoding.audioStart,
                                      encoding.audioDuration, encoding.container, format_, prefix_);
        }
        AVDictionary* options = nullptr;
        if (mp4_) av_dict_set(&options, "movflags", muxer_->mp4Flags(), 0);
        const int started = avformat_write_header(format_, &options);
        av_dict_free(&options);
        check(started, "cannot write the header");
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!frame_ || !packet_) throw Error(prefix_ + ": out of memory");
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = width_;
        frame_->height = height_;
        frame_->colorspace = codec_->colorspace;
        frame_->color_range = codec_->color_range;
        check(av_frame_get_buffer(frame_, 0), "out of memory");
        scale_ = sws_getContext(width_, height_, AV_PIX_FMT_BGR24, width_, height_,
                                AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!scale_) throw Error(prefix_ + ": cannot convert the colours");
        padded_ = FFALIGN(width_ * 3, 64) + 64;
        lastRows_.assign(std::size_t(padded_) * 2, 0);
    }

    void release() {
        sws_freeContext(scale_);
        scale_ = nullptr;
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        audio_.reset();
        avcodec_free_context(&codec_);
        muxer_.reset();
        format_ = nullptr;
    }

    void encode(AVFrame* frame) {
        encodeInto(
            codec_, frame, packet_, format_, stream_, prefix_, "a frame", [&](AVPacket* packet) {
                // Each packet lasts as long as its frame was given, the last one too.
                const auto found = durations_.find(packet->pts);
                if (found != durations_.end()) {
                    packet->duration = found->second;
                    durations_.erase(found);
                }
                if (audio_) {
                    const std::int64_t time =
                        packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
                    audio_->writeUntil(static_cast<double>(time) * av_q2d(codec_->time_base));
                }
            });
    }

    bool mp4_;
    std::string prefix_;
    int width_, height_;
    std::unique_ptr<FileMuxer> muxer_;
    AVFormatContext* format_ = nullptr;  // the muxer's
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    std::unique_ptr<AudioTrack> audio_;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scale_ = nullptr;
    int padded_ = 0;  // bytes a row of lastRows_ takes
    std::vector<std::uint8_t> lastRows_;
    std::map<std::int64_t, std::int64_t> durations_;  // frames in the encoder: time -> duration
};

}  // namespace

VideoSink* openVideoFileEncoder(std::FILE* out, const VideoEncoding* encoding) {
    return new VideoFileEncoder(out, *encoding);
}

}  // namespace carbonel
