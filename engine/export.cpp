// export.cpp - the export's video file: the capture's frames encoded as H.264 (yuv420p, BT.709,
// limited range) and the music rendered offline beside them at 48 kHz stereo, muxed in step into
// an MP4 or MOV (with AAC) or a Matroska file (with FLAC). FFmpeg's libavformat, libavcodec and
// libswscale do the work; libopenmpt renders the music.
//
// Timing: video frame i is shown at i / fps s, audio sample n at n / 48000 s of the file; the
// first frame is the module position `from`, and so is the first sample, which is rendered
// through from the module's start (never seeked), exactly as the capture's spectrum hears it.
// After frame i the audio has reached (i + 1) / fps s, so an export cut short at any frame
// still has its sound up to the end of its picture.
//
// The file is written as ".NAME.part" beside NAME and renamed only once the container has been
// closed without an error: a full disk, an unwritable folder or a failed encoder never leaves a
// broken file under the asked-for name.
#include "lumenvat_local.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>

namespace lumenvat {

namespace {

constexpr int kAudioRate = 48000;
constexpr int64_t kAacBitRate = 256000;

// The containers by extension, with the audio codec each one carries.
struct Container {
    const char* extension;
    const char* format; // libavformat's muxer name
    AVCodecID audio;
};

const Container kContainers[] = {
    {".mp4", "mp4", AV_CODEC_ID_AAC},
    {".mov", "mov", AV_CODEC_ID_AAC},
    {".mkv", "matroska", AV_CODEC_ID_FLAC},
};

const Container* containerFor(const std::string& path)
{
    size_t slash = path.find_last_of(osPathSeparators());
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    for (const Container& c : kContainers)
        if (strcasecmp(path.c_str() + dot, c.extension) == 0)
            return &c;
    return nullptr;
}

// libx264 where this libavcodec has it; otherwise whatever H.264 encoder it has.
const AVCodec* videoEncoder()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    return codec ? codec : avcodec_find_encoder(AV_CODEC_ID_H264);
}

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string temporaryPathFor(const std::string& path)
{
    size_t slash = path.find_last_of(osPathSeparators());
    if (slash == std::string::npos)
        return "." + path + ".part";
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".part";
}

// The export module's state, reset as a whole when the file is finished or abandoned.
struct ExportState {
    bool active = false;
    std::string path, temporaryPath;
    AVFormatContext* format = nullptr;
    bool fileOpen = false;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    int width = 0, height = 0; // encoded size: the picture's, even
    int audioFrameSize = 1024;
    std::unique_ptr<openmpt::module> music;
    int64_t frames = 0;  // video frames encoded
    int64_t samples = 0; // audio samples per channel encoded
};

ExportState exporter;

void releaseEncoders()
{
    ExportState& e = exporter;
    if (e.format) {
        if (e.fileOpen)
            avio_closep(&e.format->pb);
        avformat_free_context(e.format);
    }
    avcodec_free_context(&e.video);
    avcodec_free_context(&e.audio);
    sws_freeContext(e.scaler);
    av_frame_free(&e.picture);
    av_frame_free(&e.sound);
    av_packet_free(&e.packet);
    e = ExportState();
    removeFileOnInterruptExit("");
}

// Takes every packet the encoder has ready and hands it to the muxer.
bool drainPackets(AVCodecContext* codec, AVStream* stream, std::string& reason)
{
    ExportState& e = exporter;
    for (;;) {
        int result = avcodec_receive_packet(codec, e.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            reason = "the encoder failed (" + errorText(result) + ")";
            return false;
        }
        av_packet_rescale_ts(e.packet, codec->time_base, stream->time_base);
        e.packet->stream_index = stream->index;
        result = av_interleaved_write_frame(e.format, e.packet);
        if (result < 0 || e.format->pb->error < 0) {
            reason = errorText(result < 0 ? result : e.format->pb->error);
            return false;
        }
    }
}

bool encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& reason)
{
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
        reason = "the encoder refused a frame (" + errorText(result) + ")";
        return false;
    }
    return drainPackets(codec, stream, reason);
}

// The music at 48 kHz stereo from the module position `fromMs`: the module is rendered through
// from its start; silence where there is no module or the module has ended.
void startMusic(int fromMs)
{
    ExportState& e = exporter;
    e.music = loadModule();
    if (!e.music) {
        rvkMsg("lumenvat: no music in the archive; the export's sound is silent\n");
        return;
    }
    std::vector<float> left(4096), right(4096);
    for (int64_t skip = static_cast<int64_t>(fromMs) * kAudioRate / 1000; skip > 0;) {
        size_t count = static_cast<size_t>(std::min<int64_t>(skip, 4096));
        size_t got = e.music->read(kAudioRate, count, left.data(), right.data());
        if (got == 0)
            break;
        skip -= static_cast<int64_t>(got);
    }
}

void renderMusic(float* left, float* right, int count)
{
    size_t got = exporter.music ? exporter.music->read(kAudioRate, static_cast<size_t>(count), left, right) : 0;
    std::fill(left + got, left + count, 0.0f);
    std::fill(right + got, right + count, 0.0f);
}

bool encodeAudio(int count, std::string& reason)
{
    ExportState& e = exporter;
    AVFrame* frame = e.sound;
    int result = av_frame_make_writable(frame);
    if (result < 0) {
        reason = errorText(result);
        return false;
    }
    frame->nb_samples = count;
    std::vector<float> left(static_cast<size_t>(count)), right(static_cast<size_t>(count));
    renderMusic(left.data(), right.data(), count);
    if (frame->format == AV_SAMPLE_FMT_FLTP) {
        std::copy(left.begin(), left.end(), reinterpret_cast<float*>(frame->data[0]));
        std::copy(right.begin(), right.end(), reinterpret_cast<float*>(frame->data[1]));
    } else {
        int16_t* out = reinterpret_cast<int16_t*>(frame->data[0]);
        auto toShort = [](float v) { return static_cast<int16_t>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f)); };
        for (int i = 0; i < count; ++i) {
            out[2 * i] = toShort(left[static_cast<size_t>(i)]);
            out[2 * i + 1] = toShort(right[static_cast<size_t>(i)]);
        }
    }
    frame->pts = e.samples;
    e.samples += count;
    return encode(e.audio, e.audioStream, frame, reason);
}

// Audio up to the end of `frames` video frames: whole encoder frames only, unless `last`.
bool encodeAudioUntil(int64_t frames, bool last, std::string& reason)
{
    ExportState& e = exporter;
    int64_t target = frames * kAudioRate / options().captureFps;
    while (e.samples + e.audioFrameSize <= target)
        if (!encodeAudio(e.audioFrameSize, reason))
            return false;
    if (last && e.samples < target)
        return encodeAudio(static_cast<int>(target - e.samples), reason);
    return true;
}

bool openVideo(const AVCodec* codec, int fps, std::string& reason)
{
    ExportState& e = exporter;
    AVCodecContext* v = e.video = avcodec_alloc_context3(codec);
    if (!v) {
        reason = "out of memory";
        return false;
    }
    v->width = e.width;
    v->height = e.height;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = AVRational{1, fps};
    v->framerate = AVRational{fps, 1};
    v->sample_aspect_ratio = AVRational{1, 1};
    v->color_range = AVCOL_RANGE_MPEG;
    v->colorspace = AVCOL_SPC_BT709;
    v->color_primaries = AVCOL_PRI_BT709;
    v->color_trc = AVCOL_TRC_BT709;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER)
        v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (std::string(codec->name) == "libx264") {
        av_opt_set(v->priv_data, "preset", "medium", 0);
        av_opt_set_double(v->priv_data, "crf", options().exportCrf, 0);
    }
    int result = avcodec_open2(v, codec, nullptr);
    if (result < 0) {
        reason = std::string("the video encoder ") + codec->name + " could not start (" + errorText(result) + ")";
        return false;
    }
    e.videoStream = avformat_new_stream(e.format, nullptr);
    if (!e.videoStream || avcodec_parameters_from_context(e.videoStream->codecpar, v) < 0) {
        reason = "out of memory";
        return false;
    }
    e.videoStream->time_base = v->time_base;
    e.videoStream->avg_frame_rate = v->framerate;

    e.picture = av_frame_alloc();
    if (!e.picture) {
        reason = "out of memory";
        return false;
    }
    e.picture->format = v->pix_fmt;
    e.picture->width = e.width;
    e.picture->height = e.height;
    if (av_frame_get_buffer(e.picture, 0) < 0) {
        reason = "out of memory";
        return false;
    }
    e.scaler = sws_getContext(e.width, e.height, AV_PIX_FMT_RGB24, e.width, e.height, AV_PIX_FMT_YUV420P,
                              SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
    if (!e.scaler) {
        reason = "the colour conversion could not start";
        return false;
    }
    // RGB in, BT.709 limited-range YUV out, as the stream is tagged.
    sws_setColorspaceDetails(e.scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
    return true;
}

bool openAudio(AVCodecID id, std::string& reason)
{
    ExportState& e = exporter;
    const AVCodec* codec = avcodec_find_encoder(id);
    AVCodecContext* a = e.audio = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!a) {
        reason = "no audio encoder";
        return false;
    }
    // Planar float where the encoder takes it (AAC), else interleaved 16-bit (FLAC).
    a->sample_fmt = AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP)
            a->sample_fmt = AV_SAMPLE_FMT_FLTP;
    a->sample_rate = kAudioRate;
    av_channel_layout_default(&a->ch_layout, 2);
    a->time_base = AVRational{1, kAudioRate};
    if (id == AV_CODEC_ID_AAC)
        a->bit_rate = kAacBitRate;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER)
        a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(a, codec, nullptr);
    if (result < 0) {
        reason = std::string("the audio encoder ") + codec->name + " could not start (" + errorText(result) + ")";
        return false;
    }
    e.audioFrameSize = a->frame_size > 0 ? a->frame_size : 1024;
    e.audioStream = avformat_new_stream(e.format, nullptr);
    if (!e.audioStream || avcodec_parameters_from_context(e.audioStream->codecpar, a) < 0) {
        reason = "out of memory";
        return false;
    }
    e.audioStream->time_base = a->time_base;
    e.sound = av_frame_alloc();
    if (!e.sound) {
        reason = "out of memory";
        return false;
    }
    e.sound->format = a->sample_fmt;
    e.sound->sample_rate = kAudioRate;
    av_channel_layout_copy(&e.sound->ch_layout, &a->ch_layout);
    e.sound->nb_samples = e.audioFrameSize;
    if (av_frame_get_buffer(e.sound, 0) < 0) {
        reason = "out of memory";
        return false;
    }
    return true;
}

// Creates the temporary file and both encoders for pictures of `width` x `height`.
bool beginExport(int width, int height, std::string& reason)
{
    ExportState& e = exporter;
    const Options& o = options();
    const Container* container = containerFor(o.exportPath);
    const AVCodec* video = videoEncoder();
    if (!container || !video) {
        reason = "not a video file this build can write";
        return false;
    }
    // FFmpeg's own chatter (encoder statistics) stays out of the log; failures are reported here.
    av_log_set_level(AV_LOG_ERROR);
    e.active = true;
    e.path = o.exportPath;
    e.temporaryPath = temporaryPathFor(o.exportPath);
    // yuv420p halves the chroma: an odd picture loses its last column or row.
    e.width = width & ~1;
    e.height = height & ~1;
    if (e.width != width || e.height != height)
        rvkMsg("lumenvat: the picture is %dx%d; the video is %dx%d (H.264 in 4:2:0 needs even sides)\n", width, height,
               e.width, e.height);
    e.packet = av_packet_alloc();
    if (!e.packet || avformat_alloc_output_context2(&e.format, av_guess_format(container->format, nullptr, nullptr),
                                                    nullptr, e.temporaryPath.c_str()) < 0) {
        reason = "out of memory";
        return false;
    }
    if (!openVideo(video, o.captureFps, reason) || !openAudio(container->audio, reason))
        return false;
    int result = avio_open(&e.format->pb, e.temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        reason = errorText(result);
        return false;
    }
    e.fileOpen = true;
    removeFileOnInterruptExit(e.temporaryPath);
    result = avformat_write_header(e.format, nullptr);
    if (result < 0 || e.format->pb->error < 0) {
        reason = errorText(result < 0 ? result : e.format->pb->error);
        return false;
    }
    startMusic(o.captureFromMs);
    rvkMsg("lumenvat: exporting to %s: %dx%d H.264 (%s, crf %d) at %d fps, %s 48 kHz stereo\n", e.path.c_str(),
           e.width, e.height, video->name, o.exportCrf, o.captureFps, avcodec_get_name(container->audio));
    return true;
}

} // namespace

bool exportCheckFile(const std::string& path, std::string& reason)
{
    const Container* container = containerFor(path);
    if (!container) {
        reason = "--export writes .mp4, .mov or .mkv files, not '" + path + "'";
        return false;
    }
    if (!videoEncoder()) {
        reason = "this build of libavcodec has no H.264 encoder";
        return false;
    }
    if (!avcodec_find_encoder(container->audio)) {
        reason = std::string("this build of libavcodec has no ") + avcodec_get_name(container->audio) + " encoder";
        return false;
    }
    size_t slash = path.find_last_of(osPathSeparators());
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (strcasecmp(name.c_str(), container->extension) == 0) {
        reason = "--export needs a file name, not '" + path + "'";
        return false;
    }
    return true;
}

bool exportActive()
{
    return exporter.active;
}

bool exportWriteFrame(const unsigned char* rgb, int width, int height, std::string& reason)
{
    ExportState& e = exporter;
    if (!e.active && !beginExport(width, height, reason))
        return false;
    int result = av_frame_make_writable(e.picture);
    if (result < 0) {
        reason = errorText(result);
        return false;
    }
    // GL's rows run bottom up: start at the top row and step backwards.
    int stride = width * 3;
    const uint8_t* source[1] = {rgb + static_cast<size_t>(height - 1) * stride};
    const int sourceStride[1] = {-stride};
    sws_scale(e.scaler, source, sourceStride, 0, e.height, e.picture->data, e.picture->linesize);
    e.picture->pts = e.frames;
    if (!encode(e.video, e.videoStream, e.picture, reason))
        return false;
    ++e.frames;
    return encodeAudioUntil(e.frames, false, reason);
}

bool exportFinish(bool interrupted, std::string& reason)
{
    ExportState& e = exporter;
    if (!e.active)
        return true;
    bool ok = encodeAudioUntil(e.frames, true, reason) && encode(e.video, e.videoStream, nullptr, reason) &&
              encode(e.audio, e.audioStream, nullptr, reason);
    if (ok) {
        int result = av_write_trailer(e.format);
        avio_flush(e.format->pb);
        if (result < 0 || e.format->pb->error < 0) {
            reason = errorText(result < 0 ? result : e.format->pb->error);
            ok = false;
        }
    }
    if (ok) {
        e.fileOpen = false;
        int result = avio_closep(&e.format->pb);
        if (result < 0) {
            reason = errorText(result);
            ok = false;
        }
    }
    // On the disk before it gets its name: some file systems report a full disk only here, and
    // a rename that outlives a crash must not name an empty file.
    if (ok && !osSyncFile(e.temporaryPath, reason))
        ok = false;
    std::string why;
    if (ok && !osReplaceFile(e.temporaryPath, e.path, why)) {
        reason = "cannot rename it from " + e.temporaryPath + " (" + why + ")";
        ok = false;
    }
    if (!ok) {
        exportAbandon();
        return false;
    }
    const int fps = options().captureFps;
    const int from = options().captureFromMs;
    int lastMs = from + static_cast<int>((e.frames - 1) * 1000 / fps);
    rvkMsg("lumenvat: %s %s%s: %lld frames at %d fps (%.3f s, positions %d to %d ms) with the music\n",
           interrupted ? "export interrupted; wrote" : "wrote", e.path.c_str(), interrupted ? " up to there, playable" : "",
           static_cast<long long>(e.frames), fps, static_cast<double>(e.frames) / fps, from, lastMs);
    releaseEncoders();
    return true;
}

void exportAbandon()
{
    std::string temporary = exporter.active ? exporter.temporaryPath : std::string();
    releaseEncoders();
    if (!temporary.empty())
        std::remove(temporary.c_str());
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

bool rvkCheckExportFile(const char* path, char* reason, int size)
{
    std::string why;
    bool ok = path && lumenvat::exportCheckFile(path, why);
    if (!path)
        why = "no file";
    if (!ok && reason && size > 0)
        std::snprintf(reason, static_cast<size_t>(size), "%s", why.c_str());
    return ok;
}

} // namespace BRAVIK_LUMENVAT
