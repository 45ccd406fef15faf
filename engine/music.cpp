// music.cpp - the music and the module clock.
//
// The archive's module is decoded with libopenmpt. The clock that every effect reads has three
// sources:
//   live:    an SDL audio device plays the module; the position is what the listener hears (the
//            device's played frames, interpolated by wall clock between callbacks), not what the
//            decoder has read ahead;
//   capture: a frame counter, position = from + frame * 1000 / fps, no audio device;
//   silent:  no device or no module: wall-clock time; the demo runs on without sound.
// The spectrum is what the beat meter reads, and it is made for it: the kicks alone, as an onset
// (their spectrum now less their spectrum kBeatLag samples ago, kept where it grew, from 190 Hz
// up), over a faint share of the whole mix. The kicks come from a second decoder of the same module in which every
// instrument is muted except those whose names begin with "kick" (the module's convention for its
// kick drums); it renders in step with the first, frame for frame, and is seeked with it. A module
// without such instruments gives the mix alone. Both are FFTs (kissfft) of the latest kFftSize
// mono samples heard. Without a device the module is rendered offline alongside the clock, so
// capture and silent runs see the same spectrum a listener would: byte-identical for the same
// capture arguments.
//
// The module's end is not the clock's end: past the last note the decoders produce silence and the
// position keeps advancing.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>
#include <kiss_fftr.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

namespace lumenvat {

namespace {

constexpr int kRate = 48000;
constexpr int kFftSize = 1024;
constexpr int kRingSize = 1 << 15; // mono frames kept for the spectrum (0.68 s)
constexpr int kDeviceFrames = 1024;
// The spectrum: kBeatScale * max(0, |K_k(now)| - |K_k(now - kBeatLag)|) + kMixScale * |M_k(now)|,
// K the kicks and M the mix, the first term from bin kBeatFirstBin up. Tuned against the
// production's music so that in its loud sections BeatMeter::level() peaks at about 3-4 on each
// kick, within 60 ms of it, and falls to under 1 between kicks. The lag is long enough for the
// kick's attack to pass through the window and short enough that its held body counts no more;
// below 190 Hz the body's falling pitch keeps arriving in new bins for most of 100 ms, which
// would hold the flash back.
constexpr int kBeatLag = 1920; // 40 ms
constexpr int kBeatFirstBin = 4;
constexpr float kBeatScale = 125.0f / kFftSize;
constexpr float kMixScale = 0.6f / kFftSize;
// A module without kicks: the mix alone, at the scale the meter was first tuned to.
constexpr float kMixOnlyScale = 9.0f / kFftSize;
// Offline decoding follows a jump forward by rendering through it when it is shorter than this,
// and by seeking otherwise (capture always renders through, so its frames never depend on --from).
constexpr double kSilentSeekMs = 2000.0;

enum class Source { Silent, Live, Capture };

// The kick-only twin of a module: every instrument muted but those named "kick...".
std::unique_ptr<openmpt::module_ext> beatTwin();

// One decoder with the rings of its latest mono samples: the mix and, when the module has kicks,
// the kicks alone from a twin decoder that always renders the same frames. Frame numbers count
// from `baseMs`.
struct Decoder {
    std::unique_ptr<openmpt::module> module;
    std::unique_ptr<openmpt::module_ext> beat;
    double baseMs = 0;
    int64_t frames = 0; // frames rendered since baseMs
    std::vector<float> ring = std::vector<float>(kRingSize, 0.0f);
    std::vector<float> beatRing = std::vector<float>(kRingSize, 0.0f);

    void seek(double ms)
    {
        module->set_position_seconds(std::max(0.0, ms) / 1000.0);
        baseMs = module->get_position_seconds() * 1000.0;
        if (beat)
            beat->set_position_seconds(baseMs / 1000.0);
        frames = 0;
        std::fill(ring.begin(), ring.end(), 0.0f);
        std::fill(beatRing.begin(), beatRing.end(), 0.0f);
    }

    // The twin renders as many frames as the module just did, into the kick ring.
    void renderBeat(int count)
    {
        if (!beat)
            return;
        float left[4096], right[4096];
        for (int done = 0; done < count;) {
            int n = std::min(count - done, 4096);
            size_t got = beat->read(kRate, static_cast<size_t>(n), left, right);
            std::fill(left + got, left + n, 0.0f);
            std::fill(right + got, right + n, 0.0f);
            for (int i = 0; i < n; ++i)
                beatRing[static_cast<size_t>((frames + done + i) & (kRingSize - 1))] = 0.5f * (left[i] + right[i]);
            done += n;
        }
    }

    void renderMono(float* out, int count)
    {
        size_t got = module->read(kRate, static_cast<size_t>(count), out);
        std::fill(out + got, out + count, 0.0f);
        for (int i = 0; i < count; ++i)
            ring[static_cast<size_t>((frames + i) & (kRingSize - 1))] = out[i];
        renderBeat(count);
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

    // The kFftSize samples of `from` that end at `frame` (zeros before the start or beyond what
    // the ring holds).
    void latest(const std::vector<float>& from, int64_t frame, float* out) const
    {
        for (int i = 0; i < kFftSize; ++i) {
            int64_t f = frame - kFftSize + i;
            bool held = f >= 0 && f < frames && f >= frames - kRingSize;
            out[i] = held ? from[static_cast<size_t>(f & (kRingSize - 1))] : 0.0f;
        }
    }
};

// The music module's state, reset as a whole at shutdown. `live` and `gain` are shared with the
// audio thread: the main thread touches them only with the device locked.
struct MusicState {
    Source source = Source::Silent;

    double positionMs = 0;
    double deltaSeconds = 0;
    Uint64 lastUpdate = 0;

    Uint64 silentCounter = 0;
    double silentBaseMs = 0;

    double captureBaseMs = 0;
    int64_t captureFrame = 0;

    SDL_AudioDeviceID device = 0;
    float gain = 1.0f;
    Decoder live;
    Uint64 callbackCounter = 0;
    int64_t callbackFirstFrame = 0;
    Decoder analysis; // offline: follows the clock where no device plays

    kiss_fftr_cfg fft = nullptr;
};

MusicState music;

double seconds(Uint64 ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void audioCallback(void*, Uint8* stream, int length)
{
    float* out = reinterpret_cast<float*>(stream);
    int frames = length / static_cast<int>(2 * sizeof(float));
    music.callbackFirstFrame = music.live.frames;
    music.callbackCounter = SDL_GetPerformanceCounter();
    float mono[kDeviceFrames * 4];
    float left[kDeviceFrames * 4], right[kDeviceFrames * 4];
    int count = std::min(frames, kDeviceFrames * 4);
    size_t got = music.live.module->read(kRate, static_cast<size_t>(count), left, right);
    std::fill(left + got, left + count, 0.0f);
    std::fill(right + got, right + count, 0.0f);
    float g = music.gain; // the device is locked while the callback runs
    for (int i = 0; i < count; ++i) {
        mono[i] = 0.5f * (left[i] + right[i]);
        music.live.ring[static_cast<size_t>((music.live.frames + i) & (kRingSize - 1))] = mono[i];
        out[2 * i] = left[i] * g;
        out[2 * i + 1] = right[i] * g;
    }
    std::fill(out + 2 * count, out + 2 * frames, 0.0f);
    music.live.renderBeat(count);
    music.live.frames += count;
}

// The frame the listener hears now: the device is playing the buffer before the one the last
// callback wrote.
int64_t heardLiveFrame()
{
    int64_t first = music.callbackFirstFrame - kDeviceFrames;
    double since = seconds(SDL_GetPerformanceCounter() - music.callbackCounter);
    int64_t heard = first + static_cast<int64_t>(since * kRate);
    heard = std::min(heard, music.callbackFirstFrame);
    return std::max<int64_t>(0, heard);
}

bool isKickName(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.rfind("kick", 0) == 0;
}

std::unique_ptr<openmpt::module_ext> beatTwin()
{
    const ArchiveFile& file = archiveModule();
    if (file.bytes.empty())
        return nullptr;
    try {
        auto twin = std::make_unique<openmpt::module_ext>(file.bytes);
        twin->set_repeat_count(0);
        auto* interactive =
            static_cast<openmpt::ext::interactive*>(twin->get_interface(openmpt::ext::interactive_id));
        if (!interactive)
            return nullptr;
        std::vector<std::string> names = twin->get_instrument_names();
        int kicks = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            bool kick = isKickName(names[i]);
            kicks += kick;
            interactive->set_instrument_mute_status(static_cast<int32_t>(i), !kick);
        }
        if (kicks > 0)
            return twin;
        rvkMsg("lumenvat: %s names no kick instrument; the spectrum follows the whole mix\n", file.name.c_str());
    } catch (const std::exception& e) {
        rvkMsg("lumenvat: cannot follow the kicks of %s (%s)\n", file.name.c_str(), e.what());
    }
    return nullptr;
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
    music.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!music.device) {
        rvkMsg("lumenvat: no audio device (%s)\n", SDL_GetError());
        return false;
    }
    return true;
}

// Keeps the offline decoder at `ms`, seeking only for long jumps so that sequential frames see
// continuous audio.
void followAnalysis(double ms)
{
    if (!music.analysis.module)
        return;
    int64_t frame = static_cast<int64_t>((ms - music.analysis.baseMs) * kRate / 1000.0);
    bool behind = frame < music.analysis.frames - kRingSize + kFftSize;
    bool farAhead = music.source != Source::Capture && ms - (music.analysis.baseMs + music.analysis.frames * 1000.0 / kRate) > kSilentSeekMs;
    if (behind || farAhead) {
        double from = music.source == Source::Capture ? 0.0 : std::max(0.0, ms - 100.0);
        music.analysis.seek(from);
        frame = static_cast<int64_t>((ms - music.analysis.baseMs) * kRate / 1000.0);
    }
    music.analysis.renderUntil(frame);
}

} // namespace

std::unique_ptr<openmpt::module> loadModule()
{
    const ArchiveFile& file = archiveModule();
    if (file.bytes.empty()) {
        if (!file.name.empty())
            rvkMsg("lumenvat: the music module %s is empty\n", file.name.c_str());
        return nullptr;
    }
    try {
        auto module = std::make_unique<openmpt::module>(file.bytes);
        module->set_repeat_count(0);
        return module;
    } catch (const std::exception& e) {
        rvkMsg("lumenvat: cannot play %s (%s)\n", file.name.c_str(), e.what());
        return nullptr;
    }
}

double clockPositionMs()
{
    return music.positionMs;
}

void clockAdvanceCaptureFrame()
{
    ++music.captureFrame;
}

void musicShutDown()
{
    if (music.device) {
        SDL_CloseAudioDevice(music.device);
        music.device = 0;
    }
    if (music.fft)
        kiss_fftr_free(music.fft);
    music = MusicState();
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkInitTimer()
{
    music.source = options().capture ? Source::Capture : Source::Silent;
    music.positionMs = options().capture ? options().captureFromMs : options().startMs;
    music.captureBaseMs = music.positionMs;
    music.captureFrame = 0;
    music.silentBaseMs = music.positionMs;
    music.silentCounter = SDL_GetPerformanceCounter();
    music.lastUpdate = 0;
    music.deltaSeconds = 0;
}

void rvkPlaySong(int)
{
    if (options().capture) {
        music.analysis.module = loadModule();
        if (music.analysis.module)
            music.analysis.beat = beatTwin();
        if (!music.analysis.module)
            rvkMsg("lumenvat: no music in the archive; the capture's spectrum is silent\n");
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
        music.analysis.module = std::move(module);
        music.analysis.beat = beatTwin();
        music.silentBaseMs = music.positionMs;
        music.silentCounter = SDL_GetPerformanceCounter();
        return;
    }
    music.live.module = std::move(module);
    music.live.beat = beatTwin();
    music.live.seek(music.positionMs);
    music.callbackFirstFrame = kDeviceFrames;
    music.callbackCounter = SDL_GetPerformanceCounter();
    music.source = Source::Live;
    rvkMsg("lumenvat: playing %s from %d ms\n", archiveModule().name.c_str(), static_cast<int>(music.positionMs));
    SDL_PauseAudioDevice(music.device, 0);
}

void rvkUpdateTimer()
{
    Uint64 now = SDL_GetPerformanceCounter();
    switch (music.source) {
    case Source::Capture:
        music.positionMs = music.captureBaseMs + static_cast<double>(music.captureFrame) * 1000.0 / options().captureFps;
        music.deltaSeconds = 1.0 / options().captureFps;
        followAnalysis(music.positionMs);
        return;
    case Source::Silent:
        music.positionMs = music.silentBaseMs + seconds(now - music.silentCounter) * 1000.0;
        followAnalysis(music.positionMs);
        break;
    case Source::Live: {
        SDL_LockAudioDevice(music.device);
        double heard = music.live.baseMs + heardLiveFrame() * 1000.0 / kRate;
        SDL_UnlockAudioDevice(music.device);
        music.positionMs = std::max(music.positionMs, heard);
        break;
    }
    }
    music.deltaSeconds = music.lastUpdate ? std::min(1.0, seconds(now - music.lastUpdate)) : 1.0 / 60.0;
    music.lastUpdate = now;
}

void rvkAdjustTime(float ms)
{
    double target = std::max(0.0, music.positionMs + ms);
    switch (music.source) {
    case Source::Capture:
        music.captureBaseMs += target - music.positionMs;
        music.positionMs = target;
        return;
    case Source::Silent:
        music.silentBaseMs += target - music.positionMs;
        music.positionMs = target;
        return;
    case Source::Live:
        SDL_LockAudioDevice(music.device);
        music.live.seek(target);
        music.callbackFirstFrame = kDeviceFrames;
        music.callbackCounter = SDL_GetPerformanceCounter();
        music.positionMs = music.live.baseMs;
        SDL_UnlockAudioDevice(music.device);
        return;
    }
}

void rvkSetVolume(float volume)
{
    if (music.device)
        SDL_LockAudioDevice(music.device);
    music.gain = std::clamp(volume, 0.0f, 1.0f);
    if (music.device)
        SDL_UnlockAudioDevice(music.device);
}

int rvkGetModulePosition()
{
    return static_cast<int>(std::floor(music.positionMs));
}

float rvkGetDeltaTime()
{
    return static_cast<float>(music.deltaSeconds);
}

void rvkGetSpectrum(float* out, int count)
{
    if (!out || count <= 0)
        return;
    std::fill(out, out + count, 0.0f);
    float mix[kFftSize], now[kFftSize], before[kFftSize];
    bool kicks = false;
    if (music.source == Source::Live) {
        SDL_LockAudioDevice(music.device);
        int64_t frame = static_cast<int64_t>((music.positionMs - music.live.baseMs) * kRate / 1000.0);
        music.live.latest(music.live.ring, frame, mix);
        if ((kicks = music.live.beat != nullptr)) {
            music.live.latest(music.live.beatRing, frame, now);
            music.live.latest(music.live.beatRing, frame - kBeatLag, before);
        }
        SDL_UnlockAudioDevice(music.device);
    } else if (music.analysis.module) {
        int64_t frame = static_cast<int64_t>((music.positionMs - music.analysis.baseMs) * kRate / 1000.0);
        music.analysis.latest(music.analysis.ring, frame, mix);
        if ((kicks = music.analysis.beat != nullptr)) {
            music.analysis.latest(music.analysis.beatRing, frame, now);
            music.analysis.latest(music.analysis.beatRing, frame - kBeatLag, before);
        }
    } else {
        return;
    }
    if (!music.fft)
        music.fft = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
    int n = std::min(count, kFftSize / 2);
    auto magnitudes = [n](float* samples, float* into) {
        for (int i = 0; i < kFftSize; ++i)
            samples[i] *= 0.5f - 0.5f * std::cos(2.0f * static_cast<float>(M_PI) * i / (kFftSize - 1));
        kiss_fft_cpx bins[kFftSize / 2 + 1];
        kiss_fftr(music.fft, samples, bins);
        for (int k = 0; k < n; ++k)
            into[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i);
    };
    float mixBins[kFftSize / 2];
    magnitudes(mix, mixBins);
    for (int k = 0; k < n; ++k)
        out[k] = mixBins[k] * (kicks ? kMixScale : kMixOnlyScale);
    if (!kicks)
        return;
    float nowBins[kFftSize / 2], beforeBins[kFftSize / 2];
    magnitudes(now, nowBins);
    magnitudes(before, beforeBins);
    for (int k = kBeatFirstBin; k < n; ++k)
        out[k] += std::max(0.0f, nowBins[k] - beforeBins[k]) * kBeatScale;
}

} // namespace BRAVIK_LUMENVAT
