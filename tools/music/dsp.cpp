// dsp.cpp - signal helpers, reverb, tuning and sample conversion.
#include "dsp.h"

#include <algorithm>

namespace music {

namespace {

// Semitones between the rate that plays `pitchMidi` on MIDI 60 and 8363 Hz (C-4's rate).
double transposeFor(double rate, double pitchMidi)
{
    return 12.0 * std::log2(rate / 8363.0) + 60.0 - pitchMidi;
}

double midiOf(double freq)
{
    return 69.0 + 12.0 * std::log2(freq / 440.0);
}

double peak(const Signal& s)
{
    double p = 0;
    for (double v : s)
        p = std::max(p, std::fabs(v));
    return p;
}

} // namespace

void normalize(Signal& s, double target)
{
    double p = peak(s);
    if (p <= 0)
        return;
    for (double& v : s)
        v *= target / p;
}

void fadeOut(Signal& s, double rate, double seconds)
{
    size_t n = std::min(s.size(), static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / static_cast<double>(n);
        s[s.size() - n + i] *= 0.5 + 0.5 * std::cos(kPi * t);
    }
}

Signal reverb(const Signal& dry, double rate, double decaySeconds, double damping, double seconds, uint64_t seed)
{
    static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int kAllPasses[4] = {556, 441, 341, 225};
    Noise jitter(seed);
    size_t length = static_cast<size_t>(seconds * rate);
    Signal wet(length, 0.0);
    double scale = rate / 44100.0;
    for (int c = 0; c < 8; ++c) {
        size_t delay = static_cast<size_t>((kCombs[c] + 23 * jitter.next()) * scale);
        double feedback = std::pow(10.0, -3.0 * static_cast<double>(delay) / (rate * decaySeconds));
        std::vector<double> line(delay, 0.0);
        double filtered = 0;
        size_t at = 0;
        for (size_t i = 0; i < length; ++i) {
            double out = line[at];
            filtered = out * (1 - damping) + filtered * damping;
            double in = i < dry.size() ? dry[i] : 0.0;
            line[at] = in + filtered * feedback;
            at = (at + 1) % delay;
            wet[i] += out * 0.125;
        }
    }
    for (int a : kAllPasses) {
        size_t delay = static_cast<size_t>(a * scale);
        std::vector<double> line(delay, 0.0);
        size_t at = 0;
        for (size_t i = 0; i < length; ++i) {
            double buffered = line[at];
            double out = buffered - wet[i];
            line[at] = wet[i] + buffered * 0.5;
            at = (at + 1) % delay;
            wet[i] = out;
        }
    }
    return wet;
}

double tunedFrequency(double freq, double rate)
{
    double exact = std::round(transposeFor(rate, midiOf(freq)) * 16.0) / 16.0;
    return 440.0 * std::pow(2.0, (transposeFor(rate, 69.0) - exact) / 12.0);
}

xm::Sample toSample(const std::string& name, const Signal& s, double rate, double pitchMidi, double gain)
{
    xm::Sample sample;
    sample.name = name;
    sample.data.reserve(s.size());
    for (double v : s) {
        double scaled = std::round(v * gain * 32767.0);
        sample.data.push_back(static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0)));
    }
    // Pattern note C-4 with transpose r (semitones, fractional part as finetune) plays the data at
    // 8363 * 2^(r/12) Hz; C-4 is MIDI 60. Players use the finetune in sixteenths of a semitone,
    // so the transpose is rounded to one: a sample meant to be in tune is rendered at a pitch
    // that makes it exact (see tuned() in the instruments).
    int sixteenths = static_cast<int>(std::lround(transposeFor(rate, pitchMidi) * 16.0));
    int whole = sixteenths >= 0 ? sixteenths / 16 : -((-sixteenths + 15) / 16);
    int fine = (sixteenths - whole * 16) * 8;
    if (fine > 63) { // finetune in -64..56 around the nearest semitone
        whole += 1;
        fine -= 128;
    }
    sample.relativeNote = static_cast<int8_t>(whole);
    sample.finetune = static_cast<int8_t>(fine);
    return sample;
}

} // namespace music
