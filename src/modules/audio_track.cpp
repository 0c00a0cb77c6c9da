#include "audio_track.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ffmpeg_file.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// The sound's stream of the input, read packet by packet from `start` on, each packet's time in
// seconds from there.
class AudioInput {
  public:
    AudioInput(const std::string& path, double start, std::optional<double> duration,
               const std::string& errorPrefix)
        : prefix_(errorPrefix), limit_(duration.value_or(std::numeric_limits<double>::infinity())) {
        if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) {
            format_ = nullptr;  // the video was read from it a moment ago: it is gone
            throw Error(prefix_ + ": cannot read the sound of " + path);
        }
        try {
            findStream(start);
        } catch (...) {
            // No destructor runs for an object not yet made: the input is closed here.
            av_packet_free(&packet_);
            avformat_close_input(&format_);
            throw;
        }
    }
    ~AudioInput() {
        av_packet_free(&packet_);
        avformat_close_input(&format_);
    }
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    AVStream* stream() const { return stream_; }
    const std::string& prefix() const { return prefix_; }
    double limit() const { return limit_; }
    double origin() const { return origin_; }
    // Seconds from the start for a time of the stream.
    double seconds(std::int64_t time) const {
        return static_cast<double>(time) * av_q2d(stream_->time_base) - origin_;
    }
    // The next packet of the sound that is not wholly before the start, in `packet_`; null at the
    // end of the file or of the part asked for (a read that fails ends the sound too).
    AVPacket* next() {
        while (!ended_) {
            av_packet_unref(packet_);
            if (av_read_frame(format_, packet_) < 0) break;
            if (packet_->stream_index != stream_->index || packet_->pts == AV_NOPTS_VALUE) continue;
            const double from = seconds(packet_->pts);
            if (from >= limit_) break;
            if (from + static_cast<double>(packet_->duration) * av_q2d(stream_->time_base) <= 0 &&
                packet_->duration > 0)
                continue;
            return packet_;
        }
        ended_ = true;
        return nullptr;
    }

  private:
    // The sound's stream, from `start` on; none where the file has no sound.
    void findStream(double start) {
        checkAv(avformat_find_stream_info(format_, nullptr), prefix_, "cannot read the sound");
        const int index = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (index < 0) return;
        stream_ = format_->streams[index];
        const double fileStart = format_->start_time != AV_NOPTS_VALUE
                                     ? static_cast<double>(format_->start_time) / AV_TIME_BASE
                                     : 0;
        origin_ = fileStart + start;
        if (start > 0)
            av_seek_frame(format_, -1, static_cast<std::int64_t>(origin_ * AV_TIME_BASE),
                          AVSEEK_FLAG_BACKWARD);
        packet_ = av_packet_alloc();
        if (!packet_) throw Error(prefix_ + ": out of memory");
    }

    std::string prefix_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    double origin_ = 0;
    double limit_;
    bool ended_ = false;
};

// The sound's packets as they are, their times moved to the video's start.
class CopiedAudio : public AudioTrack {
  public:
    CopiedAudio(std::unique_ptr<AudioInput> input, AVFormatContext* muxer)
        : input_(std::move(input)), muxer_(muxer) {
        out_ = avformat_new_stream(muxer, nullptr);
        if (!out_) throw Error(input_->prefix() + ": out of memory");
        checkAv(avcodec_parameters_copy(out_->codecpar, input_->stream()->codecpar),
                input_->prefix(), "cannot copy the sound");
        out_->codecpar->codec_tag = 0;  // the new container's own
        out_->time_base = input_->stream()->time_base;
        shift_ = std::llround(input_->origin() / av_q2d(input_->stream()->time_base));
    }
    void writeUntil(double seconds) override {
        for (;;) {
            if (!pending_) pending_ = input_->next();
            if (!pending_ || input_->seconds(pending_->pts) >= seconds) return;
            pending_->pts -= shift_;
            if (pending_->dts != AV_NOPTS_VALUE) pending_->dts -= shift_;
            av_packet_rescale_ts(pending_, input_->stream()->time_base, out_->time_base);
            pending_->stream_index = out_->index;
            pending_->pos = -1;
            // A damaged file's packet that goes back in time would fail the muxer: it is left out.
            const std::int64_t dts = pending_->dts;
            if (dts == AV_NOPTS_VALUE || !lastDts_ || dts > *lastDts_) {
                checkAv(av_interleaved_write_frame(muxer_, pending_), input_->prefix(),
                        "cannot write the sound");
                if (dts != AV_NOPTS_VALUE) lastDts_ = dts;
            }
            pending_ = nullptr;
        }
    }
    void finish() override { writeUntil(std::numeric_limits<double>::infinity()); }

  private:
    std::unique_ptr<AudioInput> input_;
    AVFormatContext* muxer_;
    AVStream* out_ = nullptr;
    AVPacket* pending_ = nullptr;          // read, not yet due
    std::int64_t shift_ = 0;               // the start, in the input stream's time base
    std::optional<std::int64_t> lastDts_;  // the last packet's, in the output stream's
};

// The sound decoded, resampled to what the encoder takes and encoded, frame after frame of the
// encoder's own size.
class EncodedAudio : public AudioTrack {
  public:
    EncodedAudio(std::unique_ptr<AudioInput> input, AVFormatContext* muxer, const char* encoderName)
        : input_(std::move(input)), muxer_(muxer), prefix_(input_->prefix()) {
        try {
            openCodecs(encoderName);
        } catch (...) {
            release();
            throw;
        }
    }
    ~EncodedAudio() override { release(); }

    void writeUntil(double seconds) override {
        while (!drained_ && static_cast<double>(sent_) / encoder_->sample_rate < seconds) {
            AVPacket* packet = input_->next();
            if (!packet) {
                drained_ = true;
                break;
            }
            if (avcodec_send_packet(decoder_, packet) < 0) continue;  // a damaged packet: skipped
            while (avcodec_receive_frame(decoder_, decoded_) == 0) {
                resample(decoded_);
                av_frame_unref(decoded_);
            }
            encodeWhole(false);
        }
    }
    void finish() override {
        writeUntil(std::numeric_limits<double>::infinity());
        avcodec_send_packet(decoder_, nullptr);
        while (avcodec_receive_frame(decoder_, decoded_) == 0) {
            resample(decoded_);
            av_frame_unref(decoded_);
        }
        // What the resampler still holds.
        if (started_) resampleSamples(nullptr, 0);
        encodeWhole(true);
        send(nullptr);
    }

  private:
    void check(int code, const char* what) { checkAv(code, prefix_, what); }

    void openCodecs(const char* encoderName) {
        const AVCodecParameters& in = *input_->stream()->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(in.codec_id);
        const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
        if (!decoder) throw Error(prefix_ + ": the sound's codec has no decoder here");
        if (!encoder) throw Error(prefix_ + ": no " + encoderName + " encoder is installed");
        decoder_ = avcodec_alloc_context3(decoder);
        encoder_ = avcodec_alloc_context3(encoder);
        decoded_ = av_frame_alloc();
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!decoder_ || !encoder_ || !decoded_ || !frame_ || !packet_)
            throw Error(prefix_ + ": out of memory");
        check(avcodec_parameters_to_context(decoder_, &in), "bad sound parameters");
        check(avcodec_open2(decoder_, decoder, nullptr), "cannot open the sound's decoder");
        if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&decoder_->ch_layout, decoder_->ch_layout.nb_channels);

        // Mono stays mono; anything else is mixed to stereo, which every player plays.
        const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO, stereo = AV_CHANNEL_LAYOUT_STEREO;
        check(av_channel_layout_copy(&encoder_->ch_layout,
                                     decoder_->ch_layout.nb_channels == 1 ? &mono : &stereo),
              "bad channels");
        encoder_->sample_rate = supportedRate(encoder, decoder_->sample_rate);
        encoder_->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        encoder_->bit_rate = 64000 * encoder_->ch_layout.nb_channels;
        encoder_->time_base = AVRational{1, encoder_->sample_rate};
        if (muxer_->oformat->flags & AVFMT_GLOBALHEADER)
            encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        check(avcodec_open2(encoder_, encoder, nullptr), "cannot open the sound's encoder");
        out_ = avformat_new_stream(muxer_, nullptr);
        if (!out_) throw Error(prefix_ + ": out of memory");
        check(avcodec_parameters_from_context(out_->codecpar, encoder_), "bad sound parameters");
        out_->time_base = encoder_->time_base;

        check(swr_alloc_set_opts2(&resampler_, &encoder_->ch_layout, encoder_->sample_fmt,
                                  encoder_->sample_rate, &decoder_->ch_layout, decoder_->sample_fmt,
                                  decoder_->sample_rate, 0, nullptr),
              "cannot resample the sound");
        check(swr_init(resampler_), "cannot resample the sound");
        fifo_ = av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels,
                                    std::max(encoder_->frame_size, 1024));
        if (!fifo_) throw Error(prefix_ + ": out of memory");
    }

    // The input's rate where the encoder takes it, else 48 kHz (Opus takes nothing else of note).
    static int supportedRate(const AVCodec* encoder, int rate) {
        if (!encoder->supported_samplerates) return rate;
        for (const int* supported = encoder->supported_samplerates; *supported; ++supported) {
            if (*supported == rate) return rate;
        }
        return 48000;
    }

    // The decoded frame's samples inside the part asked for, into the queue.
    void resample(const AVFrame* frame) {
        const int rate = decoder_->sample_rate;
        const std::int64_t time = frame->best_effort_timestamp != AV_NOPTS_VALUE
                                      ? frame->best_effort_timestamp
                                      : frame->pts;
        const double from = time != AV_NOPTS_VALUE ? input_->seconds(time) : sentSeconds();
        const int skip =
            static_cast<int>(std::clamp<double>(std::ceil(-from * rate), 0, frame->nb_samples));
        int keep = frame->nb_samples;
        if (std::isfinite(input_->limit()))
            keep = static_cast<int>(std::clamp<double>(
                std::llround((input_->limit() - from) * rate), 0, frame->nb_samples));
        if (keep <= skip) return;
        if (!started_) {
            // Sound that starts after the video keeps its place.
            started_ = true;
            sent_ = std::max<std::int64_t>(
                0, std::llround(std::max(from, 0.0) * encoder_->sample_rate));
        }
        const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format));
        const int channels = frame->ch_layout.nb_channels;
        std::vector<const std::uint8_t*> planes;
        if (av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format))) {
            for (int channel = 0; channel < channels; ++channel)
                planes.push_back(frame->extended_data[channel] + std::size_t(skip) * bytes);
        } else {
            planes.push_back(frame->extended_data[0] + std::size_t(skip) * bytes * channels);
        }
        resampleSamples(planes.data(), keep - skip);
    }

    void resampleSamples(const std::uint8_t** in, int count) {
        const int room = swr_get_out_samples(resampler_, count);
        if (room <= 0) return;
        std::uint8_t** out = nullptr;
        check(av_samples_alloc_array_and_samples(&out, nullptr, encoder_->ch_layout.nb_channels,
                                                 room, encoder_->sample_fmt, 0),
              "out of memory");
        const int got = swr_convert(resampler_, out, room, in, count);
        const int queued =
            got > 0 ? av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), got) : 0;
        av_freep(&out[0]);
        av_freep(&out);
        check(got, "cannot resample the sound");
        if (queued < got) throw Error(prefix_ + ": out of memory");
    }

    double sentSeconds() const { return static_cast<double>(sent_) / encoder_->sample_rate; }

    // Encodes the queued samples a whole encoder frame at a time; at the end, the rest too, as a
    // shorter last frame where the encoder takes one, else padded with silence.
    void encodeWhole(bool last) {
        const bool anySize = encoder_->frame_size == 0 ||
                             (encoder_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        const int size = anySize ? std::max(av_audio_fifo_size(fifo_), 1) : encoder_->frame_size;
        while (av_audio_fifo_size(fifo_) >= size || (last && av_audio_fifo_size(fifo_) > 0)) {
            const int count = std::min(size, av_audio_fifo_size(fifo_));
            const bool shorter = encoder_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
            frame_->nb_samples = shorter || anySize ? count : size;
            frame_->format = encoder_->sample_fmt;
            frame_->sample_rate = encoder_->sample_rate;
            check(av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout), "bad channels");
            check(av_frame_get_buffer(frame_, 0), "out of memory");
            av_samples_set_silence(frame_->extended_data, 0, frame_->nb_samples,
                                   encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
            av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame_->extended_data), count);
            frame_->pts = sent_;
            sent_ += frame_->nb_samples;
            send(frame_);
            av_frame_unref(frame_);
        }
    }

    void send(AVFrame* frame) {
        encodeInto(encoder_, frame, packet_, muxer_, out_, prefix_, "the sound");
    }

    void release() {
        av_audio_fifo_free(fifo_);
        fifo_ = nullptr;
        swr_free(&resampler_);
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        av_frame_free(&decoded_);
        avcodec_free_context(&encoder_);
        avcodec_free_context(&decoder_);
    }

    std::unique_ptr<AudioInput> input_;
    AVFormatContext* muxer_;
    std::string prefix_;
    AVStream* out_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVFrame* decoded_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    std::int64_t sent_ = 0;  // samples handed to the encoder, counted from the video's start
    bool started_ = false;
    bool drained_ = false;
};

}  // namespace

std::unique_ptr<AudioTrack> AudioTrack::open(const std::string& path, double start,
                                             std::optional<double> duration,
                                             VideoContainer container, AVFormatContext* muxer,
                                             const std::string& errorPrefix) {
    auto input = std::make_unique<AudioInput>(path, start, duration, errorPrefix);
    if (!input->stream()) return nullptr;
    const AVCodecID codec = input->stream()->codecpar->codec_id;
    const bool copied = container == VideoContainer::Mp4
                            ? avformat_query_codec(muxer->oformat, codec, FF_COMPLIANCE_NORMAL) == 1
                            : codec == AV_CODEC_ID_OPUS;
    if (copied) return std::make_unique<CopiedAudio>(std::move(input), muxer);
    return std::make_unique<EncodedAudio>(std::move(input), muxer,
                                          container == VideoContainer::Mp4 ? "aac" : "libopus");
}

}  // namespace carbonel
