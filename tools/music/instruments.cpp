// instruments.cpp - how each instrument is synthesised.
//
// Pitched sounds are additive: every voice is a sum of harmonics weighted by a spectral shape that
// may change over time (a filter envelope without a filter), so they are band-limited and, where
// they loop, exactly periodic over the loop. Drums use noise, filters and pitch envelopes.
#include "instruments.h"

#include "dsp.h"

#include <algorithm>
#include <functional>

namespace music {

namespace {

constexpr double kRate = 44100.0;
// The master gain, on every sample. A player mixes a channel's full-scale sample at about
// -14.5 dBFS (libopenmpt), so the piece's loudness comes from many channels near full scale.
constexpr double kMasterGain = 1.0;
constexpr double kBarSeconds = 60.0 / 140.0 * 4.0;

struct Voice {
    double freq;  // Hz
    double amp;
    double phase; // cycles
};

enum class Wave { Saw, Square };

// Gain of harmonic at `freqHz` at time `t` (seconds).
using Shape = std::function<double(double t, double freqHz)>;

// Additive rendering of `length` samples, weights refreshed every 32 samples.
Signal additive(size_t length, const std::vector<Voice>& voices, Wave wave, double limitHz, const Shape& shape)
{
    Signal out(length, 0.0);
    for (const Voice& v : voices) {
        int harmonics = static_cast<int>(limitHz / v.freq);
        std::vector<double> weight(static_cast<size_t>(harmonics + 1), 0.0);
        for (size_t i = 0; i < length; ++i) {
            double t = static_cast<double>(i) / kRate;
            if (i % 32 == 0) {
                for (int h = 1; h <= harmonics; ++h) {
                    bool present = wave == Wave::Saw || h % 2 == 1;
                    weight[static_cast<size_t>(h)] = present ? shape(t, h * v.freq) / h : 0.0;
                }
            }
            double x = 2 * kPi * (v.phase + v.freq * t);
            double c = 2 * std::cos(x);
            double previous = 0, current = std::sin(x), sum = 0;
            for (int h = 1; h <= harmonics; ++h) {
                sum += current * weight[static_cast<size_t>(h)];
                double next = c * current - previous;
                previous = current;
                current = next;
            }
            out[i] += v.amp * sum;
        }
    }
    return out;
}

// Two-pole low-pass magnitude.
double lowPass(double f, double cutoff)
{
    double r = f / cutoff;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

double midiOf(double freq)
{
    return 69.0 + 12.0 * std::log2(freq / 440.0);
}

double tuned(double freq)
{
    return tunedFrequency(freq, kRate);
}

// A loop of whole periods of a tuned fundamental, about `seconds` long. Detuned voices have whole
// periods in it too, so the loop is seamless.
struct Loop {
    size_t samples;
    double cycles;
    double freq(int offset = 0) const { return (cycles + offset) * kRate / static_cast<double>(samples); }
};

Loop loopAt(double freq, double seconds)
{
    double f = tuned(freq);
    double cycles = std::round(f * seconds);
    return {static_cast<size_t>(std::lround(cycles * kRate / f)), cycles};
}

// Voices `offsets` cycles per loop apart (a loop of L seconds detunes them by 1/L Hz a step),
// with spread phases.
std::vector<Voice> detuned(const Loop& loop, const std::vector<int>& offsets, uint64_t seed)
{
    Noise phases(seed);
    std::vector<Voice> voices;
    for (int o : offsets)
        voices.push_back(
            {loop.freq(o), 1.0 / std::sqrt(static_cast<double>(offsets.size())), 0.5 + 0.5 * phases.next()});
    return voices;
}

xm::Sample looped(const std::string& name, const Signal& s, size_t loopStart, const Loop& loop, double gain)
{
    xm::Sample sample = toSample(name, s, kRate, midiOf(loop.freq()), gain);
    sample.loop = true;
    sample.loopStart = static_cast<uint32_t>(loopStart);
    sample.loopLength = static_cast<uint32_t>(loop.samples);
    return sample;
}

xm::Instrument single(const std::string& name, xm::Sample sample)
{
    for (int16_t& v : sample.data)
        v = static_cast<int16_t>(std::lround(v * kMasterGain));
    xm::Instrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;
}

// Attack-hold-release envelope: rises over `attackTicks`, holds at `sustain` until key off, then
// falls to zero over `releaseTicks` (a tick is 1/56 s at 140 BPM).
xm::Envelope sustained(int attackTicks, int sustain, int releaseTicks, int decayTicks = 0, int peak = 64)
{
    xm::Envelope e;
    e.points.push_back({0, static_cast<uint16_t>(attackTicks > 0 ? 0 : peak)});
    int t = std::max(attackTicks, 1);
    e.points.push_back({static_cast<uint16_t>(t), static_cast<uint16_t>(peak)});
    if (decayTicks > 0) {
        t += decayTicks;
        e.points.push_back({static_cast<uint16_t>(t), static_cast<uint16_t>(sustain)});
    }
    e.sustain = static_cast<int>(e.points.size()) - 1;
    e.points.push_back({static_cast<uint16_t>(t + releaseTicks), 0});
    return e;
}

// ---------------------------------------------------------------------------------------------
// Drums

// A kick: a pitched body falling from `startHz` to `endHz`, driven into a soft clip so that it
// stays full for most of its length, then faded out by `seconds`; over its first milliseconds a
// click of band-passed noise around 3 kHz, the part a small speaker and the ear find first.
Signal kickDrum(double seconds, double startHz, double endHz, double decay, double drive, double click, uint64_t seed)
{
    Noise noise(seed);
    Svf band1, band2;
    band1.set(3000, 1.1, kRate);
    band2.set(3000, 1.1, kRate);
    size_t n = static_cast<size_t>(seconds * kRate);
    Signal s(n);
    double phase = 0;
    double norm = drive > 0 ? std::tanh(drive) : 1.0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double f = endHz + (startHz - endHz) * std::exp(-t / 0.02);
        phase += f / kRate;
        double body = std::sin(2 * kPi * phase) * std::exp(-t / decay);
        if (drive > 0)
            body = std::tanh(body * drive) / norm;
        band1.process(noise.next());
        band2.process(band1.band);
        double snap = band2.band * std::exp(-t / 0.006) * click;
        double attack = std::min(1.0, t / 0.0006);
        s[i] = attack * (body + snap);
    }
    fadeOut(s, kRate, seconds * 0.3);
    normalize(s, 1.0);
    return s;
}

Signal clap(uint64_t seed)
{
    Noise noise(seed);
    Svf band, band2;
    band.set(1350, 2.0, kRate);
    band2.set(1350, 2.0, kRate);
    OnePole high;
    high.set(700, kRate);
    size_t n = static_cast<size_t>(0.35 * kRate);
    Signal dry(n);
    // Three short slaps, then the main one with its tail: (start, level, decay) in seconds.
    const double bursts[4][3] = {{0.0, 0.8, 0.0035}, {0.0095, 0.8, 0.0035}, {0.0195, 0.8, 0.0035}, {0.029, 1.0, 0.032}};
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double env = 0;
        for (const auto& b : bursts)
            if (t >= b[0])
                env = std::max(env, b[1] * std::min(1.0, (t - b[0]) / 0.0006) * std::exp(-(t - b[0]) / b[2]));
        band.process(noise.next());
        band2.process(band.band);
        dry[i] = high.high(band2.band) * env;
    }
    Signal wet = reverb(dry, kRate, 0.3, 0.6, 0.3, seed + 1);
    Signal s(wet.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = (i < dry.size() ? dry[i] : 0.0) + 0.12 * wet[i];
    fadeOut(s, kRate, 0.1);
    normalize(s, 1.0);
    return s;
}

Signal snare(uint64_t seed)
{
    Noise noise(seed);
    OnePole high;
    high.set(1800, kRate);
    Svf tone;
    tone.set(3200, 1.6, kRate);
    size_t n = static_cast<size_t>(0.32 * kRate);
    Signal s(n);
    double phase1 = 0, phase2 = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        phase1 += (185 + 70 * std::exp(-t / 0.012)) / kRate;
        phase2 += (330 + 60 * std::exp(-t / 0.012)) / kRate;
        double body = (std::sin(2 * kPi * phase1) + 0.5 * std::sin(2 * kPi * phase2)) * std::exp(-t / 0.055);
        tone.process(high.high(noise.next()));
        double rattle = tone.band * std::exp(-t / 0.09);
        s[i] = std::min(1.0, t / 0.001) * (0.7 * body + rattle);
    }
    fadeOut(s, kRate, 0.05);
    normalize(s, 1.0);
    return s;
}

// Six square waves at inharmonic ratios, band-passed: the classic metallic hat colour.
Signal metal(double seconds, double decay, double bandHz, uint64_t seed)
{
    static const double kRatios[6] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
    Noise noise(seed);
    Svf band;
    band.set(bandHz, 1.4, kRate);
    OnePole high;
    high.set(6500, kRate);
    size_t n = static_cast<size_t>(seconds * kRate);
    Signal s(n);
    double phases[6] = {0.11, 0.37, 0.52, 0.71, 0.23, 0.9};
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double sq = 0;
        for (int k = 0; k < 6; ++k) {
            phases[k] += 205.0 * kRatios[k] / kRate;
            sq += (phases[k] - std::floor(phases[k])) < 0.5 ? 1.0 : -1.0;
        }
        band.process(sq / 6.0 * 0.6 + noise.next() * 0.5);
        s[i] = high.high(band.band + 0.3 * band.high) * std::exp(-t / decay) * std::min(1.0, t / 0.0005);
    }
    fadeOut(s, kRate, std::min(0.03, seconds * 0.3));
    normalize(s, 1.0);
    return s;
}

Signal shaker(uint64_t seed)
{
    Noise noise(seed);
    Svf band;
    band.set(6200, 1.6, kRate);
    size_t n = static_cast<size_t>(0.12 * kRate);
    Signal s(n);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        band.process(noise.next());
        double env = std::min(1.0, t / 0.012) * std::exp(-std::max(0.0, t - 0.012) / 0.03);
        s[i] = band.band * env;
    }
    fadeOut(s, kRate, 0.02);
    normalize(s, 1.0);
    return s;
}

Signal crash(double seconds, double decay, uint64_t seed)
{
    Signal m = metal(seconds, decay, 7800, seed);
    Noise noise(seed + 7);
    OnePole high;
    high.set(3500, kRate);
    for (size_t i = 0; i < m.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        m[i] += high.high(noise.next()) * 0.8 * std::exp(-t / (decay * 0.8));
    }
    fadeOut(m, kRate, 0.3);
    normalize(m, 1.0);
    return m;
}

// A crash played backwards with a little reverb, trimmed so that it ends exactly one bar after it
// starts: triggered on a bar's first row it peaks on the next downbeat.
Signal reverseCrash(uint64_t seed)
{
    Signal c = crash(kBarSeconds + 0.2, 0.7, seed);
    Signal wet = reverb(c, kRate, 1.2, 0.3, kBarSeconds + 0.2, seed + 3);
    for (size_t i = 0; i < c.size(); ++i)
        c[i] = c[i] * 0.8 + wet[i] * 0.5;
    size_t n = static_cast<size_t>(std::lround(kBarSeconds * kRate));
    Signal s(c.begin(), c.begin() + static_cast<long>(n));
    std::reverse(s.begin(), s.end());
    // A short fade at the very end keeps the cut clean.
    for (size_t i = 0; i < 64; ++i)
        s[n - 1 - i] *= static_cast<double>(i) / 64.0;
    normalize(s, 1.0);
    return s;
}

Signal tom(double freq)
{
    size_t n = static_cast<size_t>(0.45 * kRate);
    Signal s(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        phase += freq * (1.0 + 0.6 * std::exp(-t / 0.03)) / kRate;
        double v = std::sin(2 * kPi * phase) * std::exp(-t / 0.16) * std::min(1.0, t / 0.001);
        s[i] = std::tanh(v * 1.6);
    }
    fadeOut(s, kRate, 0.08);
    normalize(s, 1.0);
    return s;
}

// A long low boom with a noisy crack and a reverberant tail.
Signal impact(uint64_t seed)
{
    Noise noise(seed);
    OnePole lp;
    lp.set(2400, kRate);
    size_t n = static_cast<size_t>(3.0 * kRate);
    Signal dry(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        phase += (32.0 + 70.0 * std::exp(-t / 0.18)) / kRate;
        double boom = std::tanh(1.8 * std::sin(2 * kPi * phase) * std::exp(-t / 0.9));
        double crack = lp.low(noise.next()) * std::exp(-t / 0.05) * 0.8;
        dry[i] = (boom + crack) * std::min(1.0, t / 0.002);
    }
    Signal wet = reverb(dry, kRate, 2.0, 0.7, 3.0, seed + 1);
    for (size_t i = 0; i < n; ++i)
        dry[i] += 0.3 * wet[i];
    fadeOut(dry, kRate, 0.6);
    normalize(dry, 1.0);
    return dry;
}

// Soft noise in a seamless two-second loop (the end cross-faded into the start).
Signal noiseLoop(uint64_t seed)
{
    Noise noise(seed);
    Svf band;
    band.set(1400, 0.6, kRate);
    size_t loop = static_cast<size_t>(2.0 * kRate), fade = static_cast<size_t>(0.25 * kRate);
    Signal raw(loop + fade);
    for (double& v : raw) {
        band.process(noise.next());
        v = band.low * 0.6 + band.band;
    }
    Signal s(loop);
    for (size_t i = 0; i < loop; ++i)
        s[i] = raw[i];
    for (size_t i = 0; i < fade; ++i) {
        double a = static_cast<double>(i) / static_cast<double>(fade);
        s[i] = raw[i] * std::sqrt(a) + raw[loop + i] * std::sqrt(1 - a);
    }
    normalize(s, 1.0);
    return s;
}

Signal waterDrop(uint64_t seed)
{
    size_t n = static_cast<size_t>(0.2 * kRate);
    Signal dry(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        phase += (700.0 + 1300.0 * (1.0 - std::exp(-t / 0.018))) / kRate;
        dry[i] = std::sin(2 * kPi * phase) * std::exp(-t / 0.035) * std::min(1.0, t / 0.0008);
    }
    Signal wet = reverb(dry, kRate, 2.2, 0.35, 1.6, seed);
    Signal s(wet.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = (i < n ? dry[i] : 0.0) * 0.7 + wet[i] * 0.9;
    fadeOut(s, kRate, 0.4);
    normalize(s, 1.0);
    return s;
}

// ---------------------------------------------------------------------------------------------
// Pitched

// FM bell (carrier and a 3.5x modulator whose index decays) with its own reverb tail.
Signal bell(double freq, uint64_t seed)
{
    size_t n = static_cast<size_t>(2.2 * kRate);
    Signal dry(n);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double index = 0.4 + 2.2 * std::exp(-t / 0.25);
        double mod = std::sin(2 * kPi * 3.5 * freq * t) * index;
        double body = std::sin(2 * kPi * freq * t + mod) * std::exp(-t / 0.8);
        double shimmer = std::sin(2 * kPi * 2.0 * freq * t) * 0.25 * std::exp(-t / 0.4);
        dry[i] = (body + shimmer) * std::min(1.0, t / 0.002);
    }
    Signal wet = reverb(dry, kRate, 2.4, 0.4, 3.0, seed);
    Signal s(wet.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = (i < n ? dry[i] : 0.0) + 0.45 * wet[i];
    fadeOut(s, kRate, 0.5);
    normalize(s, 1.0);
    return s;
}

// A plucked saw: the harmonics above a falling cutoff die away first.
Signal pluck(double freq)
{
    std::vector<Voice> voices = {{freq, 0.7, 0.0}, {freq * 1.004, 0.5, 0.3}};
    Signal s = additive(static_cast<size_t>(0.7 * kRate), voices, Wave::Saw, 12000, [](double t, double f) {
        double cutoff = 350.0 + 5200.0 * std::exp(-t / 0.07);
        return lowPass(f, cutoff);
    });
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        s[i] *= std::exp(-t / 0.28) * std::min(1.0, t / 0.001);
    }
    fadeOut(s, kRate, 0.1);
    normalize(s, 1.0);
    return s;
}

xm::Instrument drum(const std::string& name, const Signal& s, double gain, uint8_t pan = 128)
{
    xm::Sample sample = toSample(name, s, kRate, 60.0, gain);
    sample.panning = pan;
    return single(name, sample);
}

} // namespace

std::vector<xm::Instrument> buildInstruments()
{
    std::vector<xm::Instrument> set;

    set.push_back(drum("kick", kickDrum(0.21, 200, 55, 0.2, 4.0, 0.8, 11), 1.0));
    set.push_back(drum("kick soft", kickDrum(0.45, 130, 50, 0.2, 0.0, 0.3, 12), 0.9));
    set.push_back(drum("clap", clap(13), 1.0));
    set.push_back(drum("snare", snare(14), 1.0));
    set.push_back(drum("hat closed", metal(0.09, 0.028, 9500, 15), 1.0, 176));
    set.push_back(drum("hat open", metal(0.3, 0.11, 9000, 16), 0.7, 72));
    set.push_back(drum("shaker", shaker(17), 0.6, 56));
    set.push_back(drum("crash", crash(1.6, 0.45, 18), 0.3));
    set.push_back(drum("reverse crash", reverseCrash(19), 0.5));

    double tomFreq = tuned(110.0);
    set.push_back(single("tom", toSample("tom", tom(tomFreq), kRate, midiOf(tomFreq), 0.9)));

    set.push_back(drum("impact", impact(20), 1.0));

    {
        xm::Sample s = toSample("noise", noiseLoop(21), kRate, 60.0, 0.5);
        s.loop = true;
        s.loopStart = 0;
        s.loopLength = static_cast<uint32_t>(s.data.size());
        xm::Instrument ins = single("noise riser", s);
        ins.volume = sustained(2, 64, 20);
        set.push_back(ins);
    }
    {
        // Bass: a few strong low harmonics over a lighter fundamental, so that it carries on
        // small speakers; a brighter attack for the first 40 ms. Rendered at A1 (55 Hz).
        static const double kHarmonics[8] = {0.55, 0.75, 0.5, 0.34, 0.2, 0.12, 0.07, 0.04};
        Loop loop = loopAt(55.0, 2.0);
        size_t attack = static_cast<size_t>(0.5 * kRate);
        double freq = loop.freq();
        Signal s = additive(attack + loop.samples, {{freq, 1.0, 0.0}}, Wave::Saw, 6000, [freq](double t, double f) {
            int h = static_cast<int>(std::lround(f / freq));
            double bright = 1.0 + 1.5 * std::exp(-std::min(t, 0.5) / 0.04) * std::min(1.0, h / 4.0);
            return (h <= 8 ? kHarmonics[h - 1] * h : 0.02 * h * std::exp(-std::min(t, 0.5) / 0.03)) * bright;
        });
        // A soft clip packs more level under the same peak; the loop stays periodic.
        normalize(s, 1.0);
        for (double& v : s)
            v = std::tanh(2.0 * v);
        normalize(s, 1.0);
        xm::Instrument ins = single("bass", looped("bass", s, attack, loop, 1.0));
        ins.volume = sustained(0, 44, 3, 10);
        set.push_back(ins);
    }
    {
        // Sub: a sine with its octave and twelfth (110 and 165 Hz on A1), which carry it on small
        // speakers, at A1.
        Loop loop = loopAt(55.0, 1.0);
        Signal s(loop.samples);
        for (size_t i = 0; i < s.size(); ++i) {
            double x = 2 * kPi * loop.freq() * static_cast<double>(i) / kRate;
            s[i] = std::sin(x) + 0.4 * std::sin(2 * x) + 0.18 * std::sin(3 * x);
        }
        normalize(s, 1.0);
        xm::Instrument ins = single("sub", looped("sub", s, 0, loop, 1.0));
        ins.volume = sustained(3, 64, 8);
        set.push_back(ins);
    }
    {
        // Pad: four detuned saws through a gentle low-pass, rendered at C3; a slow attack and
        // release in the envelope.
        Loop loop = loopAt(130.81, 2.0);
        Signal s = additive(loop.samples, detuned(loop, {-2, -1, 1, 2}, 23), Wave::Saw, 6000,
                            [](double, double f) { return lowPass(f, 1500.0); });
        normalize(s, 1.0);
        xm::Instrument ins = single("pad", looped("pad", s, 0, loop, 1.0));
        ins.volume = sustained(24, 64, 40);
        set.push_back(ins);
    }
    {
        // Dark pad: the same saws much darker, over a sine an octave down.
        Loop loop = loopAt(130.81, 2.0);
        Signal s = additive(loop.samples, detuned(loop, {-2, -1, 1, 2}, 24), Wave::Saw, 4000,
                            [](double, double f) { return lowPass(f, 700.0); });
        for (size_t i = 0; i < s.size(); ++i)
            s[i] += 0.25 * std::sin(2 * kPi * 0.5 * loop.freq() * static_cast<double>(i) / kRate);
        normalize(s, 1.0);
        xm::Instrument ins = single("pad dark", looped("pad dark", s, 0, loop, 1.0));
        ins.volume = sustained(70, 64, 90);
        set.push_back(ins);
    }
    {
        // Lead: two saws over a sine, rendered at C5, delayed vibrato from the instrument.
        Loop loop = loopAt(523.25, 1.0);
        Signal s = additive(loop.samples, detuned(loop, {-1, 1}, 25), Wave::Saw, 11000,
                            [](double, double f) { return lowPass(f, 2800.0); });
        for (size_t i = 0; i < s.size(); ++i)
            s[i] += 0.5 * std::sin(2 * kPi * loop.freq() * static_cast<double>(i) / kRate);
        normalize(s, 1.0);
        xm::Instrument ins = single("lead", looped("lead", s, 0, loop, 1.0));
        ins.volume = sustained(2, 52, 10, 8);
        ins.vibratoSweep = 40;
        ins.vibratoDepth = 6;
        ins.vibratoRate = 10;
        set.push_back(ins);
    }
    {
        // Second lead: a hollow square with a saw an octave up, more nasal and brighter.
        Loop loop = loopAt(523.25, 1.0);
        Signal s = additive(loop.samples, detuned(loop, {-1, 1}, 26), Wave::Square, 11000, [](double, double f) {
            double presence = 1.0 + 1.2 * std::exp(-std::pow(std::log2(f / 1800.0), 2) * 2.0);
            return lowPass(f, 3500.0) * presence;
        });
        std::vector<Voice> octave = {{2.0 * loop.freq(), 1.0, 0.27}};
        Signal up =
            additive(loop.samples, octave, Wave::Saw, 11000, [](double, double f) { return lowPass(f, 4000.0); });
        for (size_t i = 0; i < s.size(); ++i)
            s[i] += 0.35 * up[i];
        normalize(s, 1.0);
        xm::Instrument ins = single("lead bright", looped("lead bright", s, 0, loop, 0.9));
        ins.volume = sustained(1, 54, 10, 6);
        ins.vibratoSweep = 30;
        ins.vibratoDepth = 5;
        ins.vibratoRate = 12;
        set.push_back(ins);
    }
    double pluckFreq = tuned(261.63);
    set.push_back(single("pluck", toSample("pluck", pluck(pluckFreq), kRate, midiOf(pluckFreq), 0.95)));
    double bellFreq = tuned(523.25);
    {
        // The bell rings at its own decay while held; after key off it falls by 10 dB within a row,
        // then fades out over the next half second.
        xm::Instrument ins = single("bell", toSample("bell", bell(bellFreq, 28), kRate, midiOf(bellFreq), 0.9));
        xm::Envelope e;
        e.points = {{0, 64}, {1, 64}, {7, 20}, {static_cast<uint16_t>(1 + kBellReleaseTicks), 0}};
        e.sustain = 1;
        ins.volume = e;
        set.push_back(ins);
    }
    set.push_back(drum("drop", waterDrop(29), 0.6));
    {
        // Stab: the pad's saws brighter, with a short envelope.
        Loop loop = loopAt(261.63, 2.0);
        Signal s = additive(loop.samples, detuned(loop, {-3, -1, 1, 3}, 30), Wave::Saw, 9000,
                            [](double, double f) { return lowPass(f, 3800.0); });
        normalize(s, 1.0);
        xm::Instrument ins = single("stab", looped("stab", s, 0, loop, 1.0));
        xm::Envelope e;
        e.points = {{0, 64}, {4, 40}, {12, 10}, {24, 0}};
        ins.volume = e;
        set.push_back(ins);
    }
    for (xm::Instrument& ins : set)
        ins.keymap.fill(0);
    return set;
}

} // namespace music
