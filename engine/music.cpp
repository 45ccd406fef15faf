// music.cpp - the music and the module clock.
//
// The archive's module is decoded with libopenmpt. The clock that every effect reads has three
// sources:
//   live:    an SDL audio device plays the module; the position is what the listener hears (the
//            device's played frames, interpolated by wall clock between callbacks), not what the
//            decoder has read ahead;
//   capture: a frame counter, position = from + frame * 1000 / fps, no audio device;
//   silent:  no device or no module: wall-clock time; the demo runs on without sound.
// The spectrum is an FFT (kissfft) of the latest kFftSize mono samples heard. Without a device the
// module is rendered offline alongside the clock, so capture and silent runs see the same spectrum
// a listener would: byte-identical for the same capture arguments.
//
// The module's end is not the clock's end: past the last note the decoders produce silence and the
// position keeps advancing.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>
#include <kiss_fftr.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace lumenvat {

namespace {

constexpr int kRate = 48000;
constexpr int kFftSize = 1024;
constexpr int kRingSize = 1 << 15; // mono frames kept for the spectrum (0.68 s)
constexpr int kDeviceFrames = 1024;
// Spectrum magnitudes are |X_k| * kSpectrumScale: tuned against the production's music so that
// in its loud sections BeatMeter::level() peaks at about 3-4 on each kick and falls to about 1
// or less between kicks.
constexpr float kSpectrumScale = 9.0f / kFftSize;
// Offline decoding follows a jump forward by rendering through it when it is shorter than this,
// and by seeking otherwise (capture always renders through, so its frames never depend on --from).
constexpr double kSilentSeekMs = 2000.0;

enum class Source { Silent, Live, Capture };

// One decoder with the ring of its latest mono samples; frame numbers count from `baseMs`.
struct Decoder {
    std::unique_ptr<openmpt::module> module;
    double baseMs = 0;
    int64_t frames = 0; // frames rendered since baseMs
    std::vector<float> ring = std::vector<float>(kRingSize, 0.0f);

    void seek(double ms)
    {
        module->set_position_seconds(std::max(0.0, ms) / 1000.0);
        baseMs = module->get_position_seconds() * 1000.0;
        frames = 0;
        std::fill(ring.begin(), ring.end(), 0.0f);
    }

    void renderMono(float* out, int count)
    {
        size_t got = module->read(kRate, static_cast<size_t>(count), out);
        std::fill(out + got, out + count, 0.0f);
        for (int i = 0; i < count; ++i)
            ring[static_cast<size_t>((frames + i) & (kRingSize - 1))] = out[i];
        frames += count;
    }

    void renderUntil(int64_t frame)
    {
        float block[4096];
        while (frames < frame) {
            int count = static_cast<int>(std::min<int64_t>(frame - frames, 4096));
            renderMono(block, count);
        }
    }

    // The kFftSize samples that end at `frame` (zeros before the start or beyond what the ring holds).
    void latest(int64_t frame, float* out) const
    {
        for (int i = 0; i < kFftSize; ++i) {
            int64_t f = frame - kFftSize + i;
            bool held = f >= 0 && f < frames && f >= frames - kRingSize;
            out[i] = held ? ring[static_cast<size_t>(f & (kRingSize - 1))] : 0.0f;
        }
    }
};

Source source = Source::Silent;

double positionMs = 0;
double deltaSeconds = 0;
Uint64 lastUpdate = 0;

Uint64 silentCounter = 0;
double silentBaseMs = 0;

double captureBaseMs = 0;
int64_t captureFrame = 0;

SDL_AudioDeviceID device = 0;
std::atomic<float> gain{1.0f};
Decoder live;      // touched by the audio thread; locked while the main thread reads it
Uint64 callbackCounter = 0;
int64_t callbackFirstFrame = 0;
Decoder analysis;  // offline: follows the clock where no device plays

kiss_fftr_cfg fft = nullptr;

double seconds(Uint64 ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void audioCallback(void*, Uint8* stream, int length)
{
    float* out = reinterpret_cast<float*>(stream);
    int frames = length / static_cast<int>(2 * sizeof(float));
    callbackFirstFrame = live.frames;
    callbackCounter = SDL_GetPerformanceCounter();
    float mono[kDeviceFrames * 4];
    float left[kDeviceFrames * 4], right[kDeviceFrames * 4];
    int count = std::min(frames, kDeviceFrames * 4);
    size_t got = live.module->read(kRate, static_cast<size_t>(count), left, right);
    std::fill(left + got, left + count, 0.0f);
    std::fill(right + got, right + count, 0.0f);
    float g = gain.load();
    for (int i = 0; i < count; ++i) {
        mono[i] = 0.5f * (left[i] + right[i]);
        live.ring[static_cast<size_t>((live.frames + i) & (kRingSize - 1))] = mono[i];
        out[2 * i] = left[i] * g;
        out[2 * i + 1] = right[i] * g;
    }
    std::fill(out + 2 * count, out + 2 * frames, 0.0f);
    live.frames += count;
}

// The frame the listener hears now: the device is playing the buffer before the one the last
// callback wrote.
int64_t heardLiveFrame()
{
    int64_t first = callbackFirstFrame - kDeviceFrames;
    double since = seconds(SDL_GetPerformanceCounter() - callbackCounter);
    int64_t heard = first + static_cast<int64_t>(since * kRate);
    heard = std::min(heard, callbackFirstFrame);
    return std::max<int64_t>(0, heard);
}

std::unique_ptr<openmpt::module> loadModule()
{
    const ArchiveFile& file = archiveModule();
    if (file.bytes.empty())
        return nullptr;
    try {
        auto module = std::make_unique<openmpt::module>(file.bytes);
        module->set_repeat_count(0);
        return module;
    } catch (const std::exception& e) {
        rvkMsg("lumenvat: cannot play %s (%s)\n", file.name.c_str(), e.what());
        return nullptr;
    }
}

bool openDevice()
{
    initSdlSubsystem(SDL_INIT_AUDIO);
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        rvkMsg("lumenvat: no audio: %s\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = audioCallback;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) {
        rvkMsg("lumenvat: no audio device (%s)\n", SDL_GetError());
        return false;
    }
    return true;
}

// Keeps the offline decoder at `ms`, seeking only for long jumps so that sequential frames see
// continuous audio.
void followAnalysis(double ms)
{
    if (!analysis.module)
        return;
    int64_t frame = static_cast<int64_t>((ms - analysis.baseMs) * kRate / 1000.0);
    bool behind = frame < analysis.frames - kRingSize + kFftSize;
    bool farAhead = source != Source::Capture && ms - (analysis.baseMs + analysis.frames * 1000.0 / kRate) > kSilentSeekMs;
    if (behind || farAhead) {
        double from = source == Source::Capture ? 0.0 : std::max(0.0, ms - 100.0);
        analysis.seek(from);
        frame = static_cast<int64_t>((ms - analysis.baseMs) * kRate / 1000.0);
    }
    analysis.renderUntil(frame);
}

} // namespace

double clockPositionMs()
{
    return positionMs;
}

void clockAdvanceCaptureFrame()
{
    ++captureFrame;
}

void musicShutDown()
{
    if (device) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    live.module.reset();
    analysis.module.reset();
    if (fft) {
        kiss_fftr_free(fft);
        fft = nullptr;
    }
    source = Source::Silent;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkInitTimer()
{
    source = options().capture ? Source::Capture : Source::Silent;
    positionMs = options().capture ? options().captureFromMs : options().startMs;
    captureBaseMs = positionMs;
    captureFrame = 0;
    silentBaseMs = positionMs;
    silentCounter = SDL_GetPerformanceCounter();
    lastUpdate = 0;
    deltaSeconds = 0;
}

void rvkPlaySong(int)
{
    if (options().capture) {
        analysis.module = loadModule();
        return;
    }
    std::unique_ptr<openmpt::module> module = loadModule();
    if (!module) {
        rvkMsg("lumenvat: no music in the archive; the clock runs silently\n");
        return;
    }
    if (options().noAudio || !openDevice()) {
        rvkMsg("lumenvat: playing silently (%s); the spectrum follows the module offline\n",
               options().noAudio ? "audio switched off" : "no audio device");
        analysis.module = std::move(module);
        silentBaseMs = positionMs;
        silentCounter = SDL_GetPerformanceCounter();
        return;
    }
    live.module = std::move(module);
    live.seek(positionMs);
    callbackFirstFrame = kDeviceFrames;
    callbackCounter = SDL_GetPerformanceCounter();
    source = Source::Live;
    rvkMsg("lumenvat: playing %s from %d ms\n", archiveModule().name.c_str(), static_cast<int>(positionMs));
    SDL_PauseAudioDevice(device, 0);
}

void rvkUpdateTimer()
{
    Uint64 now = SDL_GetPerformanceCounter();
    switch (source) {
    case Source::Capture:
        positionMs = captureBaseMs + static_cast<double>(captureFrame) * 1000.0 / options().captureFps;
        deltaSeconds = 1.0 / options().captureFps;
        followAnalysis(positionMs);
        return;
    case Source::Silent:
        positionMs = silentBaseMs + seconds(now - silentCounter) * 1000.0;
        followAnalysis(positionMs);
        break;
    case Source::Live: {
        SDL_LockAudioDevice(device);
        double heard = live.baseMs + heardLiveFrame() * 1000.0 / kRate;
        SDL_UnlockAudioDevice(device);
        positionMs = std::max(positionMs, heard);
        break;
    }
    }
    deltaSeconds = lastUpdate ? std::min(1.0, seconds(now - lastUpdate)) : 1.0 / 60.0;
    lastUpdate = now;
}

void rvkAdjustTime(float ms)
{
    double target = std::max(0.0, positionMs + ms);
    switch (source) {
    case Source::Capture:
        captureBaseMs += target - positionMs;
        positionMs = target;
        return;
    case Source::Silent:
        silentBaseMs += target - positionMs;
        positionMs = target;
        return;
    case Source::Live:
        SDL_LockAudioDevice(device);
        live.seek(target);
        callbackFirstFrame = kDeviceFrames;
        callbackCounter = SDL_GetPerformanceCounter();
        positionMs = live.baseMs;
        SDL_UnlockAudioDevice(device);
        return;
    }
}

void rvkSetVolume(float volume)
{
    gain.store(std::clamp(volume, 0.0f, 1.0f));
}

int rvkGetModulePosition()
{
    return static_cast<int>(std::floor(positionMs));
}

float rvkGetDeltaTime()
{
    return static_cast<float>(deltaSeconds);
}

void rvkGetSpectrum(float* out, int count)
{
    if (!out || count <= 0)
        return;
    std::fill(out, out + count, 0.0f);
    float samples[kFftSize];
    if (source == Source::Live) {
        SDL_LockAudioDevice(device);
        int64_t frame = static_cast<int64_t>((positionMs - live.baseMs) * kRate / 1000.0);
        live.latest(frame, samples);
        SDL_UnlockAudioDevice(device);
    } else if (analysis.module) {
        int64_t frame = static_cast<int64_t>((positionMs - analysis.baseMs) * kRate / 1000.0);
        analysis.latest(frame, samples);
    } else {
        return;
    }
    if (!fft)
        fft = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
    for (int i = 0; i < kFftSize; ++i) {
        float hann = 0.5f - 0.5f * std::cos(2.0f * static_cast<float>(M_PI) * i / (kFftSize - 1));
        samples[i] *= hann;
    }
    kiss_fft_cpx bins[kFftSize / 2 + 1];
    kiss_fftr(fft, samples, bins);
    int n = std::min(count, kFftSize / 2);
    for (int k = 0; k < n; ++k)
        out[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i) * kSpectrumScale;
}

} // namespace BRAVIK_LUMENVAT
