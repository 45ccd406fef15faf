// The export: the program's video file read back with libavformat and libavcodec. Its streams,
// its length, its picture against the PNG capture of the same positions, its sound in step with
// the picture (a kick and a visible cue at known positions) and sample for sample the module's
// own render, the same frames from the same arguments, and what it leaves behind when it is
// refused, cannot write, runs out of room or is interrupted.
#include "test_support.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

constexpr int kRate = 48000;
constexpr int kFps = 30;
constexpr const char* kSmall = "--size 320x180 --fps 30";
// For the runs whose pictures are not looked at.
constexpr const char* kTiny = "--size 64x36 --fps 30";
// For comparing pictures: at 320x180 the film grain alone costs H.264 at its default quality
// about 34 dB, at 1280x720 the codec's error is about 44 dB.
constexpr const char* kMedium = "--size 640x360 --fps 30";
// Two seconds of the swarm around its key change: the first main kick after a pause at
// 142285.714 ms, and the cue at which the swarm turns magenta.
constexpr int kFromMs = 141500;
constexpr int kToMs = 143500;
constexpr double kKickMs = 142285.714;
constexpr int kKeyChangeMs = 142351;
constexpr int kFrames = (kToMs - kFromMs) * kFps / 1000 + 1;

// A video file as the decoders give it back.
struct VideoFile {
    bool opened = false;
    int videoStreams = 0, audioStreams = 0;
    std::string videoCodec, audioCodec;
    int width = 0, height = 0;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    double videoSeconds = 0, audioSeconds = 0; // the streams' durations as the container states them
    std::vector<std::vector<uint8_t>> frames;  // RGB, top row first
    std::vector<double> frameSeconds;
    int audioRate = 0, audioChannels = 0;
    std::vector<float> left, right; // sample n at n / audioRate s of the file
};

double seconds(int64_t ts, AVRational base)
{
    return ts == AV_NOPTS_VALUE ? 0.0 : ts * av_q2d(base);
}

void keepPicture(const AVFrame* frame, AVRational base, VideoFile& file)
{
    SwsContext* toRgb = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       frame->width, frame->height, AV_PIX_FMT_RGB24,
                                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                       nullptr, nullptr, nullptr);
    // BT.709 limited range in, full-range RGB out: what the stream is tagged with.
    sws_setColorspaceDetails(toRgb, sws_getCoefficients(SWS_CS_ITU709), 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                             1 << 16, 1 << 16);
    std::vector<uint8_t> rgb(static_cast<size_t>(frame->width) * frame->height * 3);
    uint8_t* out[1] = {rgb.data()};
    int outStride[1] = {frame->width * 3};
    sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, out, outStride);
    sws_freeContext(toRgb);
    file.frames.push_back(std::move(rgb));
    file.frameSeconds.push_back(seconds(frame->best_effort_timestamp, base));
}

void keepSound(const AVFrame* frame, AVRational base, VideoFile& file)
{
    size_t at = static_cast<size_t>(std::llround(seconds(frame->best_effort_timestamp, base) * frame->sample_rate));
    size_t end = at + static_cast<size_t>(frame->nb_samples);
    if (file.left.size() < end) {
        file.left.resize(end);
        file.right.resize(end);
    }
    for (int i = 0; i < frame->nb_samples; ++i) {
        float l = 0, r = 0;
        switch (frame->format) {
        case AV_SAMPLE_FMT_FLTP:
            l = reinterpret_cast<const float*>(frame->data[0])[i];
            r = reinterpret_cast<const float*>(frame->data[1])[i];
            break;
        case AV_SAMPLE_FMT_S16:
            l = reinterpret_cast<const int16_t*>(frame->data[0])[2 * i] / 32767.0f;
            r = reinterpret_cast<const int16_t*>(frame->data[0])[2 * i + 1] / 32767.0f;
            break;
        default:
            ADD_FAILURE() << "unexpected sample format " << av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
            return;
        }
        file.left[at + static_cast<size_t>(i)] = l;
        file.right[at + static_cast<size_t>(i)] = r;
    }
}

struct Decoder {
    AVCodecContext* codec = nullptr;
    int stream = -1;
    AVRational base{1, 1};
};

void receiveFrames(Decoder& d, AVFrame* frame, VideoFile& file)
{
    while (avcodec_receive_frame(d.codec, frame) == 0) {
        if (d.codec->codec_type == AVMEDIA_TYPE_VIDEO)
            keepPicture(frame, d.base, file);
        else
            keepSound(frame, d.base, file);
        av_frame_unref(frame);
    }
}

VideoFile readVideoFile(const std::string& path)
{
    VideoFile file;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return file;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return file;
    }
    file.opened = true;
    Decoder video, audio;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        const AVCodecParameters* p = s->codecpar;
        Decoder* d = nullptr;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++file.videoStreams;
            file.videoCodec = avcodec_get_name(p->codec_id);
            file.width = p->width;
            file.height = p->height;
            file.pixelFormat = static_cast<AVPixelFormat>(p->format);
            file.videoSeconds = seconds(s->duration, s->time_base);
            d = &video;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++file.audioStreams;
            file.audioCodec = avcodec_get_name(p->codec_id);
            file.audioRate = p->sample_rate;
            file.audioChannels = p->ch_layout.nb_channels;
            file.audioSeconds = seconds(s->duration, s->time_base);
            d = &audio;
        }
        if (!d || d->codec)
            continue;
        const AVCodec* decoder = avcodec_find_decoder(p->codec_id);
        d->codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(d->codec, p);
        // One thread: frames come out in the same order and values on every run.
        d->codec->thread_count = 1;
        avcodec_open2(d->codec, decoder, nullptr);
        d->stream = static_cast<int>(i);
        d->base = s->time_base;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(format, packet) >= 0) {
        for (Decoder* d : {&video, &audio})
            if (d->codec && packet->stream_index == d->stream && avcodec_send_packet(d->codec, packet) == 0)
                receiveFrames(*d, frame, file);
        av_packet_unref(packet);
    }
    for (Decoder* d : {&video, &audio}) {
        if (!d->codec)
            continue;
        avcodec_send_packet(d->codec, nullptr);
        receiveFrames(*d, frame, file);
        avcodec_free_context(&d->codec);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return file;
}

double psnr(const std::vector<uint8_t>& rgb, const std::vector<Rgba>& png)
{
    if (png.size() * 3 != rgb.size() || png.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < png.size(); ++i) {
        const uint8_t expected[3] = {png[i].r, png[i].g, png[i].b};
        for (int c = 0; c < 3; ++c) {
            double d = static_cast<double>(rgb[3 * i + static_cast<size_t>(c)]) - expected[c];
            sum += d * d;
        }
    }
    double mse = sum / static_cast<double>(rgb.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double meanOf(const std::vector<uint8_t>& rgb, int channel)
{
    double sum = 0;
    for (size_t i = static_cast<size_t>(channel); i < rgb.size(); i += 3)
        sum += rgb[i];
    return sum / static_cast<double>(rgb.size() / 3);
}

double meanRed(const std::vector<uint8_t>& rgb)
{
    return meanOf(rgb, 0);
}

double meanOf(const std::vector<Rgba>& png, int channel)
{
    double sum = 0;
    for (const Rgba& p : png)
        sum += channel == 0 ? p.r : channel == 1 ? p.g : p.b;
    return sum / static_cast<double>(png.size());
}

// Where a kick starts: the first 2 ms block whose bass (below about 150 Hz) is ten times the
// level of the 50 ms before it, searched from `fromSample`.
double kickOnsetSeconds(const std::vector<float>& left, const std::vector<float>& right, size_t fromSample)
{
    // Two one-pole low passes at 150 Hz: about 2 ms of delay.
    std::vector<float> bass(left.size());
    const double k = std::exp(-2.0 * M_PI * 150.0 / kRate);
    double a = 0, b = 0;
    for (size_t i = 0; i < left.size(); ++i) {
        double x = 0.5 * (left[i] + right[i]);
        a = (1 - k) * x + k * a;
        b = (1 - k) * a + k * b;
        bass[i] = static_cast<float>(b);
    }
    const size_t block = kRate / 500;
    auto level = [&](size_t from, size_t count) {
        double sum = 0;
        for (size_t i = from; i < from + count && i < bass.size(); ++i)
            sum += static_cast<double>(bass[i]) * bass[i];
        return std::sqrt(sum / static_cast<double>(count));
    };
    for (size_t at = std::max(fromSample, block * 25); at + block < bass.size(); at += block / 4)
        if (level(at, block) > 10.0 * level(at - block * 25, block * 25) + 1e-4)
            return static_cast<double>(at) / kRate;
    return -1;
}

bool exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The folder's entries other than the log.
std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    std::string listing;
    runCommand("ls -A '" + dir + "'", &listing);
    size_t start = 0;
    for (size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string name = listing.substr(start, end - start);
        if (!name.empty() && name != "log.txt")
            names.push_back(name);
    }
    return names;
}

// One export of the two seconds around the key change, shared by the tests that read it.
class ExportedShow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new std::string(makeTempDir("export"));
        output = new std::string;
        std::string range = " --from " + std::to_string(kFromMs) + " --to " + std::to_string(kToMs) + " ";
        status = runProgram("--export " + *dir + "/show.mp4" + range + kSmall + " --log " + *dir + "/log.txt", output);
        file = new VideoFile(readVideoFile(*dir + "/show.mp4"));
    }
    static void TearDownTestSuite()
    {
        delete file;
        delete output;
        delete dir;
    }
    static std::string* dir;
    static std::string* output;
    static int status;
    static VideoFile* file;
};
std::string* ExportedShow::dir = nullptr;
std::string* ExportedShow::output = nullptr;
int ExportedShow::status = -1;
VideoFile* ExportedShow::file = nullptr;

} // namespace

TEST_F(ExportedShow, HoldsOneH264AndOneAacStreamOfTheAskedFramesAndLength)
{
    ASSERT_EQ(status, 0) << *output;
    ASSERT_TRUE(file->opened);
    EXPECT_EQ(file->videoStreams, 1);
    EXPECT_EQ(file->audioStreams, 1);
    EXPECT_EQ(file->videoCodec, "h264");
    EXPECT_EQ(file->pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(file->width, 320);
    EXPECT_EQ(file->height, 180);
    EXPECT_EQ(file->audioCodec, "aac");
    EXPECT_EQ(file->audioRate, kRate);
    EXPECT_EQ(file->audioChannels, 2);

    // 141500 to 143500 ms at 30 fps: 61 frames, frame i shown at i / 30 s.
    ASSERT_EQ(file->frames.size(), static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_NEAR(file->frameSeconds[static_cast<size_t>(i)], static_cast<double>(i) / kFps, 1e-3) << "frame " << i;
    const double length = static_cast<double>(kFrames) / kFps;
    EXPECT_NEAR(file->videoSeconds, length, 1e-3);
    EXPECT_NEAR(file->audioSeconds, length, 1.0 / kFps);
    EXPECT_NEAR(static_cast<double>(file->left.size()) / kRate, length, 1.0 / kFps);
}

TEST_F(ExportedShow, TheKickIsHeardWithinOneFrameOfThePictureThatShowsItsPosition)
{
    ASSERT_EQ(status, 0) << *output;
    ASSERT_EQ(file->frames.size(), static_cast<size_t>(kFrames));
    // The picture: the swarm turns magenta on the first frame at or after the cue, so the video
    // is in step with the module positions.
    const int cueFrame = static_cast<int>(std::ceil((kKeyChangeMs - kFromMs) * kFps / 1000.0));
    int largestRise = 1;
    for (int i = 1; i < kFrames; ++i)
        if (meanRed(file->frames[static_cast<size_t>(i)]) - meanRed(file->frames[static_cast<size_t>(i - 1)]) >
            meanRed(file->frames[static_cast<size_t>(largestRise)]) -
                meanRed(file->frames[static_cast<size_t>(largestRise - 1)]))
            largestRise = i;
    EXPECT_EQ(largestRise, cueFrame);

    // The sound: the kick's onset lies within one frame of the frame showing the kick's position.
    const int kickFrame = static_cast<int>(std::lround((kKickMs - kFromMs) * kFps / 1000.0));
    double onset = kickOnsetSeconds(file->left, file->right, static_cast<size_t>(0.2 * kRate));
    EXPECT_NEAR(onset, file->frameSeconds[static_cast<size_t>(kickFrame)], 1.0 / kFps);
    EXPECT_NEAR(onset, (kKickMs - kFromMs) / 1000.0, 0.005);
}

TEST_F(ExportedShow, ReportsItsProgressAsWholeLinesWhenStderrIsNoTerminal)
{
    ASSERT_EQ(status, 0) << *output;
    EXPECT_NE(output->find("export: frame 61 of 61 (100%), "), std::string::npos) << *output;
    EXPECT_NE(output->find(" fps, "), std::string::npos);
    EXPECT_NE(output->find(" elapsed, 0:00 left"), std::string::npos);
    EXPECT_EQ(output->find('\r'), std::string::npos);
    EXPECT_NE(logOf(*dir).find("wrote " + *dir + "/show.mp4: 61 frames at 30 fps"), std::string::npos);
    // The progress is for the person watching; the log file keeps the run's events.
    EXPECT_EQ(logOf(*dir).find("export: frame"), std::string::npos);
}

namespace {

// Two exports of the same half second into Matroska (H.264 with FLAC: the sound comes back
// exactly as libopenmpt rendered it) and the PNG capture of its first frames.
class ExportedTwice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new std::string(makeTempDir("export-twice"));
        output = new std::string;
        const std::string args = " --from 60000 --to 60500 " + std::string(kMedium) + " --log " + *dir + "/log.txt";
        std::string more;
        status = runProgram("--export " + *dir + "/a.mkv" + args, output);
        status = std::max(status, runProgram("--export " + *dir + "/b.mkv" + args, &more));
        *output += more;
        captureStatus = runProgram("--capture " + *dir + "/frames --from 60000 --to 60200 " + std::string(kMedium), &more);
        *output += more;
        a = new VideoFile(readVideoFile(*dir + "/a.mkv"));
        b = new VideoFile(readVideoFile(*dir + "/b.mkv"));
    }
    static void TearDownTestSuite()
    {
        delete a;
        delete b;
        delete output;
        delete dir;
    }
    static std::string* dir;
    static std::string* output;
    static int status, captureStatus;
    static VideoFile *a, *b;
};
std::string* ExportedTwice::dir = nullptr;
std::string* ExportedTwice::output = nullptr;
int ExportedTwice::status = -1;
int ExportedTwice::captureStatus = -1;
VideoFile* ExportedTwice::a = nullptr;
VideoFile* ExportedTwice::b = nullptr;

} // namespace

TEST_F(ExportedTwice, GivesTheSameDecodedFramesAndSoundFromTheSameArguments)
{
    ASSERT_EQ(status, 0) << *output;
    ASSERT_EQ(a->frames.size(), 16u);
    EXPECT_EQ(a->videoCodec, "h264");
    EXPECT_EQ(a->audioCodec, "flac");
    ASSERT_EQ(b->frames.size(), a->frames.size());
    for (size_t i = 0; i < a->frames.size(); ++i)
        EXPECT_TRUE(a->frames[i] == b->frames[i]) << "frame " << i;
    EXPECT_TRUE(a->left == b->left && a->right == b->right);
}

TEST_F(ExportedTwice, ItsPicturesMatchThePngCaptureOfTheSamePositions)
{
    ASSERT_EQ(status, 0) << *output;
    ASSERT_EQ(captureStatus, 0) << *output;
    EXPECT_NE(output->find("capture: frame 7 of 7 (100%)"), std::string::npos) << *output;
    ASSERT_GE(a->frames.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        int w = 0, h = 0;
        std::vector<Rgba> png = loadPng(framePath(*dir + "/frames", i), w, h);
        ASSERT_EQ(w, 640);
        ASSERT_EQ(h, 360);
        EXPECT_GE(psnr(a->frames[static_cast<size_t>(i)], png), 35.0) << "frame " << i;
        // The colours as well as the detail: a picture converted with one colour matrix and
        // tagged with another keeps its PSNR on these dark frames but shifts their hue.
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(meanOf(a->frames[static_cast<size_t>(i)], c), meanOf(png, c), 1.0)
                << "frame " << i << " channel " << c;
    }
}

TEST_F(ExportedTwice, ItsSoundIsTheModuleRenderedThroughFromTheFirstFramesPosition)
{
    ASSERT_EQ(status, 0) << *output;
    // Sample n is the module's sample at 60 s + n / 48000 s, rendered through from its start.
    std::ifstream in(MUSIC_MODULE_PATH, std::ios::binary);
    openmpt::module module(in);
    module.set_repeat_count(0);
    std::vector<float> skip(60 * kRate), left(a->left.size()), right(a->left.size());
    module.read(kRate, skip.size(), skip.data(), skip.data());
    module.read(kRate, left.size(), left.data(), right.data());
    ASSERT_EQ(a->left.size(), static_cast<size_t>(16 * kRate / kFps));
    double worst = 0;
    for (size_t i = 0; i < left.size(); ++i)
        worst = std::max({worst, static_cast<double>(std::fabs(a->left[i] - std::clamp(left[i], -1.0f, 1.0f))),
                          static_cast<double>(std::fabs(a->right[i] - std::clamp(right[i], -1.0f, 1.0f)))});
    EXPECT_LT(worst, 1.5 / 32767.0);
}

TEST(Export, AnUnknownExtensionOrAnExistingFileIsRefusedBeforeAnythingRenders)
{
    std::string dir = makeTempDir("export-refused");
    std::string output;
    EXPECT_EQ(runProgram("--export " + dir + "/show.avi --log " + dir + "/log.txt", &output), 2);
    EXPECT_NE(output.find("--export writes .mp4, .mov or .mkv files, not '" + dir + "/show.avi'"), std::string::npos)
        << output;
    EXPECT_FALSE(exists(dir + "/log.txt")) << "the engine never started";

    ASSERT_TRUE(writeFile(dir + "/show.mp4", "mine"));
    EXPECT_EQ(runProgram("--export " + dir + "/show.mp4 --to 0 " + std::string(kTiny), &output), 2);
    EXPECT_NE(output.find("already exists; pass --force"), std::string::npos) << output;
    std::string kept;
    ASSERT_TRUE(readFile(dir + "/show.mp4", kept));
    EXPECT_EQ(kept, "mine");

    EXPECT_EQ(runProgram("--export " + dir + "/show.mp4 --force --to 0 " + std::string(kTiny) + " --log " + dir +
                             "/log.txt",
                         &output),
              0)
        << output;
    EXPECT_EQ(readVideoFile(dir + "/show.mp4").frames.size(), 1u);
}

TEST(Export, AnUnwritableFolderFailsWithStatus1AndLeavesNothing)
{
    std::string dir = makeTempDir("export-readonly");
    std::string target = dir + "/out";
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    ReadOnlyFolder readOnly(target);
    if (!readOnly.ready)
        GTEST_SKIP() << "no read-only folder can be made here";
    std::string output;
    EXPECT_EQ(runProgram("--export " + target + "/show.mp4 --to 100 " + std::string(kTiny) + " --log " + dir +
                             "/log.txt",
                         &output),
              1)
        << output;
    EXPECT_NE(logOf(dir).find("cannot write " + target + "/show.mp4 ("), std::string::npos) << logOf(dir);
    EXPECT_TRUE(filesIn(target).empty());
}

TEST(Export, AFullFilesystemFailsWithStatus1AndKeepsNoFile)
{
    std::string dir = makeTempDir("export-full");
    std::string target = dir + "/out";
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    SmallFilesystem small(target, "size=64k");
    if (!small.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    // Filled up but for a few blocks: the file can be made, its data soon has no room.
    runCommand("dd if=/dev/zero of='" + target + "/filler' bs=4k count=14 2>/dev/null");
    std::string output;
    EXPECT_EQ(runProgram("--export " + target + "/show.mp4 --from 60000 --to 61000 " + std::string(kTiny) +
                             " --log " + dir + "/log.txt",
                         &output),
              1)
        << output;
    std::string log = logOf(dir);
    EXPECT_NE(log.find("cannot write " + target + "/show.mp4 (No space left on device); export stopped after"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("wrote " + target), std::string::npos);
    EXPECT_EQ(filesIn(target), std::vector<std::string>{"filler"}) << "neither the file nor its temporary stays";
}

TEST(Export, AnInterruptClosesAPlayableFileWithStatus130AndLeavesNoTemporaryFile)
{
    // The signals, sent one second into the export. INT then TERM is a second interrupt that
    // arrives while the frame in hand is being finished (two different signals are never merged
    // into one): the export stops at once and still closes its file. A third one ends the
    // process; what was not closed by then is removed.
    struct Row {
        const char* kills;
        bool fileKept;
    };
    const Row rows[] = {
        {"kill -INT $pid", true},
        {"kill -INT $pid; kill -TERM $pid", true},
        {"kill -INT $pid; kill -TERM $pid; sleep 0.2; kill -INT $pid", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kills);
        std::string dir = makeTempDir("export-signal");
        std::string script = "'" + programPath() + "' --export '" + dir + "/show.mp4' --from 0 --to 200000 " + kTiny +
                             " --log '" + dir + "/log.txt' 2> '" + dir + "/stderr.txt' & pid=$!\n"
                             "for i in $(seq 600); do grep -q 'export: frame' '" + dir +
                             "/stderr.txt' 2>/dev/null && break; sleep 0.1; done\n"
                             "sleep 1\n" + row.kills + "\nwait $pid\n";
        ASSERT_TRUE(writeFile(dir + "/run.sh", script));
        std::string output;
        EXPECT_EQ(runCommand("bash '" + dir + "/run.sh'", &output), 130) << output;
        EXPECT_FALSE(exists(dir + "/.show.mp4.part"));
        std::string log = logOf(dir);
        // Either may be the first: two signals can be taken at once, on two threads.
        EXPECT_NE(log.find("interrupted by signal "), std::string::npos) << log;
        if (!row.fileKept)
            continue;
        EXPECT_NE(log.find("export interrupted; wrote " + dir + "/show.mp4 up to there, playable"), std::string::npos)
            << log;
        VideoFile file = readVideoFile(dir + "/show.mp4");
        ASSERT_TRUE(file.opened);
        EXPECT_GT(file.frames.size(), 1u);
        EXPECT_LT(file.frames.size(), 6001u);
        EXPECT_NE(log.find(": " + std::to_string(file.frames.size()) + " frames at 30 fps"), std::string::npos) << log;
        // The sound runs to the end of the last picture.
        double length = static_cast<double>(file.frames.size()) / kFps;
        EXPECT_NEAR(file.videoSeconds, length, 1e-3);
        EXPECT_NEAR(static_cast<double>(file.left.size()) / kRate, length, 1.0 / kFps);
    }
}
