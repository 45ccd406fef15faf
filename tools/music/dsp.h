// dsp.h - the synthesis toolkit the instruments are made with: a seeded noise source, filters, a
// small reverb, and the conversion of a rendered sound into an XM sample tuned to its pitch (the
// band-limited additive oscillators live with the instruments).
//
// Everything is plain double arithmetic in a fixed order with explicit seeds, so the rendered
// samples are the same on every run.
#pragma once

#include "xm.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace music {

constexpr double kPi = 3.14159265358979323846;
using Signal = std::vector<double>;

// xorshift64*: white noise in [-1, 1) from a fixed seed.
class Noise {
public:
    explicit Noise(uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    double next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        uint64_t r = state * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(r >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    uint64_t state;
};

// Topology-preserving state-variable filter (trapezoidal integration): stable under fast cutoff
// changes, which the plucks and sweeps rely on.
class Svf {
public:
    void set(double cutoffHz, double q, double rate)
    {
        double fc = std::fmin(cutoffHz, rate * 0.49);
        g = std::tan(kPi * fc / rate);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
    }
    void process(double x)
    {
        double v3 = x - ic2;
        double v1 = a1 * (ic1 + g * v3);
        double v2 = ic2 + g * v1;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
    double low = 0, band = 0, high = 0;

private:
    double g = 0, k = 1, a1 = 1, ic1 = 0, ic2 = 0;
};

// One-pole low-pass (and the high-pass as its complement).
class OnePole {
public:
    void set(double cutoffHz, double rate) { a = std::exp(-2.0 * kPi * cutoffHz / rate); }
    double low(double x) { return z = x + a * (z - x); }
    double high(double x) { return x - low(x); }

private:
    double a = 0, z = 0;
};

// Scales to the given peak.
void normalize(Signal& s, double target);
void fadeOut(Signal& s, double rate, double seconds);
// A mono Schroeder-Moorer reverb (parallel combs into series all-passes); returns the wet tail only,
// `seconds` long.
Signal reverb(const Signal& dry, double rate, double decaySeconds, double damping, double seconds, uint64_t seed);

// The frequency near `freq` that a sound rendered at `rate` can be tuned to exactly: players apply
// a sample's finetune in sixteenths of a semitone (its low three bits are ignored), so only
// transposes of whole sixteenths play true.
double tunedFrequency(double freq, double rate);

// An XM sample from a rendered sound. `rate` is the rate it was rendered at; `pitchMidi` the MIDI
// note it sounds (60 for drums and effects, which are always played on C-4), so that pattern note
// N plays MIDI note N + 11. Values are scaled by `gain` and clamped to 16 bits.
xm::Sample toSample(const std::string& name, const Signal& s, double rate, double pitchMidi, double gain = 1.0);

} // namespace music
