extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "animation/display_matrix.h"
#include "ffmpeg_file.h"
#include "imageio/file_bytes.h"
#include "imageio/orientation.h"
#include "sketch/error.h"
#include "video_module.h"

namespace carbonel {
namespace {

// Demuxers FFmpeg picks for files that are no video: still pictures, and text shown as a picture
// of its characters.
bool readsNoVideo(std::string_view demuxer) {
    for (std::string_view name : {"image2", "tty", "bin", "xbin", "adf", "idf"}) {
        if (demuxer == name) return true;
    }
    return demuxer.ends_with("_pipe");
}

int interrupted(void* opaque) {
    const auto* stop = static_cast<const std::atomic<int>*>(opaque);
    return stop && stop->load() != 0;
}

// A video file decoded frame by frame, each turned into B, G, R exactly as `ffmpeg -i VIDEO
// f%05d.png` turns it into RGB (swscale, bicubic, the frame's own colour matrix and range, into
// rows with room for swscale's vector code), then upright as ffmpeg's autorotation turns it.
class VideoDecoder : public VideoSource {
  public:
    VideoDecoder(const char* path, const VideoSourceRequest& request) : path_(path) {
        try {
            open(request);
        } catch (...) {
            release();
            throw;
        }
    }
    ~VideoDecoder() override { release(); }

    const VideoSourceInfo& info() const override { return info_; }
    int concealedFrames() const override { return concealed_; }

    bool next(DecodedFrame& frame) override {
        for (;;) {
            const int got = avcodec_receive_frame(codec_, decoded_);
            if (got == 0) {
                failedInARow_ = 0;
                convert(frame);
                av_frame_unref(decoded_);
                return true;
            }
            if (got == AVERROR_EOF) return false;
            if (got != AVERROR(EAGAIN)) {
                // A frame the decoder could not give: it goes on with the next, unless it gives
                // nothing else (no memory, say).
                if (++failedInARow_ > kMostFailuresInARow)
                    fail("cannot decode the video: " + averror(got));
                ++concealed_;
                continue;
            }
            feedPacket();
        }
    }

  private:
    [[noreturn]] void fail(const std::string& message) { throw Error(aboutFile(path_, message)); }

    void open(const VideoSourceRequest& request) {
        // The decoders' complaints about damaged frames are counted instead, and told once.
        av_log_set_level(AV_LOG_QUIET);
        format_ = avformat_alloc_context();
        if (!format_) fail("out of memory");
        format_->interrupt_callback = {interrupted, const_cast<std::atomic<int>*>(request.stop)};
        const int opened = avformat_open_input(&format_, path_.c_str(), nullptr, nullptr);
        if (opened < 0) {
            format_ = nullptr;  // freed by the failed open
            if (opened == AVERROR(ENOENT) || opened == AVERROR(EACCES) || opened == AVERROR(EISDIR))
                throw Error("Cannot open file " + path_ + ": " + averror(opened));
            fail("not a video FFmpeg reads (" + averror(opened) + ")");
        }
        if (readsNoVideo(format_->iformat->name))
            fail("a still picture, not a video (convert sketches it)");
        const int found = avformat_find_stream_info(format_, nullptr);
        if (found < 0) fail("cannot be read as a video (" + averror(found) + ")");
        stream_ = videoStream();
        if (!stream_) fail("has no video stream");
        const AVCodec* decoder = avcodec_find_decoder(stream_->codecpar->codec_id);
        if (!decoder)
            fail("its video (" + std::string(avcodec_get_name(stream_->codecpar->codec_id)) +
                 ") has no decoder here");
        codec_ = avcodec_alloc_context3(decoder);
        packet_ = av_packet_alloc();
        decoded_ = av_frame_alloc();
        if (!codec_ || !packet_ || !decoded_) fail("out of memory");
        checkAv(avcodec_parameters_to_context(codec_, stream_->codecpar), path_,
                "bad video parameters");
        // A thread a core: each holds frames of its own.
        codec_->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        checkAv(avcodec_open2(codec_, decoder, nullptr), path_, "cannot open its video decoder");
        const AVCodecParameters& video = *stream_->codecpar;
        if (video.width <= 0 || video.height <= 0) fail("its video has no size");
        checkPhotoSize(video.width, video.height);
        width_ = video.width;
        height_ = video.height;
        if (request.upright) {
            if (const auto* matrix = reinterpret_cast<const std::int32_t*>(
                    av_stream_get_side_data(stream_, AV_PKT_DATA_DISPLAYMATRIX, nullptr)))
                orientation_ = displayOrientation(matrix);
        }
        const bool turned = orientation_ >= 5;
        info_.width = turned ? height_ : width_;
        info_.height = turned ? width_ : height_;
        info_.timeBase = {stream_->time_base.num, stream_->time_base.den};
        const AVRational rate =
            stream_->avg_frame_rate.num > 0 ? stream_->avg_frame_rate : stream_->r_frame_rate;
        info_.frameRate = {rate.num, rate.den};
        if (stream_->duration != AV_NOPTS_VALUE) {
            info_.duration = static_cast<double>(stream_->duration) * av_q2d(stream_->time_base);
        } else if (format_->duration != AV_NOPTS_VALUE) {
            info_.duration = static_cast<double>(format_->duration) / AV_TIME_BASE;
        }
        info_.frames = stream_->nb_frames;
        info_.hasAudio = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
        // Times count from the file's start, which every stream shares, so the sound stays in
        // step.
        if (format_->start_time != AV_NOPTS_VALUE)
            origin_ =
                av_rescale_q(format_->start_time, AVRational{1, AV_TIME_BASE}, stream_->time_base);
        if (request.start > 0) {
            const std::int64_t from =
                (format_->start_time != AV_NOPTS_VALUE ? format_->start_time : 0) +
                static_cast<std::int64_t>(request.start * AV_TIME_BASE);
            // From the key frame at or before it; a file that cannot seek is read from its start.
            av_seek_frame(format_, -1, from, AVSEEK_FLAG_BACKWARD);
        }
        padded_ = static_cast<int>(FFALIGN(std::size_t(width_) * 3, 64));
        rows_.resize(std::size_t(padded_) * std::size_t(height_) + 64);
    }

    // The first video stream that is not a cover picture, the one FFmpeg deems best first.
    AVStream* videoStream() {
        const int best = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        auto moving = [](const AVStream* stream) {
            return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                   !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
        };
        if (best >= 0 && moving(format_->streams[best])) return format_->streams[best];
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            if (moving(format_->streams[i])) return format_->streams[i];
        }
        return nullptr;
    }

    // The next packet of the video to the decoder, or the end of the input.
    void feedPacket() {
        for (;;) {
            const int read = av_read_frame(format_, packet_);
            if (read == AVERROR_EXIT) throw Error("interrupted");
            if (read < 0 && read != AVERROR_EOF && read != AVERROR_INVALIDDATA)
                fail("cannot read the video: " + averror(read));
            if (read < 0) {
                // The end, or data that cannot be read on: what was decoded is the video.
                avcodec_send_packet(codec_, nullptr);
                return;
            }
            if (packet_->stream_index != stream_->index) {
                av_packet_unref(packet_);
                continue;
            }
            const int sent = avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
            if (sent == AVERROR_INVALIDDATA) ++concealed_;
            return;
        }
    }

    void convert(DecodedFrame& frame) {
        if (decoded_->decode_error_flags != 0 || (decoded_->flags & AV_FRAME_FLAG_CORRUPT))
            ++concealed_;
        const auto format = static_cast<AVPixelFormat>(decoded_->format);
        // A stream whose size changes is scaled to its first size, as ffmpeg does.
        scale_ =
            sws_getCachedContext(scale_, decoded_->width, decoded_->height, format, width_, height_,
                                 AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!scale_) fail("cannot convert its frames' colours");
        // The frame's own matrix (BT.601 where it names none) and range, as ffmpeg's scaler
        // reads them; set again only when they or the scaler change.
        const int space = decoded_->colorspace >= 1 && decoded_->colorspace <= 7
                              ? decoded_->colorspace
                              : AVCOL_SPC_BT470BG;
        const bool full = decoded_->color_range == AVCOL_RANGE_JPEG;
        if (scale_ != configured_ || space != space_ || full != full_) {
            int* inverse = nullptr;
            int* table = nullptr;
            int fullIn = 0, fullOut = 0, brightness = 0, contrast = 0, saturation = 0;
            sws_getColorspaceDetails(scale_, &inverse, &fullIn, &table, &fullOut, &brightness,
                                     &contrast, &saturation);
            sws_setColorspaceDetails(scale_, sws_getCoefficients(space), full, table, fullOut,
                                     brightness, contrast, saturation);
            configured_ = scale_;
            space_ = space;
            full_ = full;
        }
        std::uint8_t* target[4] = {rows_.data(), nullptr, nullptr, nullptr};
        const int stride[4] = {padded_, 0, 0, 0};
        sws_scale(scale_, decoded_->data, decoded_->linesize, 0, decoded_->height, target, stride);
        Raster stored = Raster::uninitialized(width_, height_);
        for (int y = 0; y < height_; ++y)
            std::memcpy(stored.mutableRowUnchecked(y), rows_.data() + std::size_t(y) * padded_,
                        std::size_t(width_) * 3);
        frame.picture = orientation_ == 1 ? std::move(stored) : orientUpright(stored, orientation_);
        const std::int64_t time = decoded_->best_effort_timestamp;
        frame.time = time == AV_NOPTS_VALUE ? lastTime_ + 1 : time - origin_;
        lastTime_ = frame.time;
        frame.duration = decoded_->pkt_duration;
    }

    void release() {
        sws_freeContext(scale_);
        scale_ = nullptr;
        av_frame_free(&decoded_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    std::string path_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* decoded_ = nullptr;
    SwsContext* scale_ = nullptr;
    const SwsContext* configured_ = nullptr;  // the scaler the colour details were set on
    int space_ = 0;
    bool full_ = false;
    int width_ = 0, height_ = 0;  // as stored
    int orientation_ = 1;         // the Exif orientation that turns a frame upright
    int padded_ = 0;              // bytes a converted row takes, with room for vector stores
    std::vector<std::uint8_t> rows_;
    std::int64_t origin_ = 0;  // the file's start, in the stream's time base
    std::int64_t lastTime_ = -1;
    int concealed_ = 0;
    static constexpr int kMostFailuresInARow = 1000;
    int failedInARow_ = 0;
    VideoSourceInfo info_;
};

}  // namespace

VideoSource* openVideoDecoder(const char* path, const VideoSourceRequest* request) {
    return new VideoDecoder(path, *request);
}

}  // namespace carbonel
