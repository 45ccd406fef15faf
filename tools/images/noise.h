// noise.h - deterministic 2-D noise for the generated images: gradient noise from an integer
// hash (no tables, no global state), fractal sums of it, and a small seeded generator for
// placing things. A `seed` selects an independent field.
#pragma once

#include <cstdint>

namespace imagegen {

uint32_t hash32(uint32_t x);

// Gradient noise in about -1..1, zero at integer lattice points.
float gradientNoise(float x, float y, uint32_t seed);

// Fractal sum of `octaves` gradient-noise layers, each twice the frequency and `gain` times the
// amplitude of the one before, rotated between octaves so the lattice does not show; normalised
// to about -1..1.
float fbm(float x, float y, uint32_t seed, int octaves, float gain = 0.5f);

// Ridged fractal sum in 0..1: sharp bright creases where the noise crosses zero.
float ridged(float x, float y, uint32_t seed, int octaves);

// A small generator with a fixed sequence for a given seed (xorshift on a hashed state).
class Sequence {
public:
    explicit Sequence(uint32_t seed);
    uint32_t next();
    float unit();                       // 0..1
    float range(float low, float high); // low..high

private:
    uint32_t state;
};

} // namespace imagegen
