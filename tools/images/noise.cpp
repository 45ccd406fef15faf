// noise.cpp - hashed gradient noise and its fractal sums.
#include "noise.h"

#include <cmath>

namespace imagegen {

uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

namespace {

float fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

// Sixteen gradient directions evenly around the circle.
const float kGradients[16][2] = {
    {1.0f, 0.0f}, {0.9238795f, 0.3826834f}, {0.7071068f, 0.7071068f}, {0.3826834f, 0.9238795f},
    {0.0f, 1.0f}, {-0.3826834f, 0.9238795f}, {-0.7071068f, 0.7071068f}, {-0.9238795f, 0.3826834f},
    {-1.0f, 0.0f}, {-0.9238795f, -0.3826834f}, {-0.7071068f, -0.7071068f}, {-0.3826834f, -0.9238795f},
    {0.0f, -1.0f}, {0.3826834f, -0.9238795f}, {0.7071068f, -0.7071068f}, {0.9238795f, -0.3826834f},
};

float lattice(int ix, int iy, uint32_t seed, float dx, float dy)
{
    uint32_t h = hash32(static_cast<uint32_t>(ix) * 0x8da6b343U ^ hash32(static_cast<uint32_t>(iy) * 0xd8163841U ^ seed));
    const float* g = kGradients[h & 15U];
    return g[0] * dx + g[1] * dy;
}

} // namespace

float gradientNoise(float x, float y, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    float n00 = lattice(ix, iy, seed, dx, dy);
    float n10 = lattice(ix + 1, iy, seed, dx - 1.0f, dy);
    float n01 = lattice(ix, iy + 1, seed, dx, dy - 1.0f);
    float n11 = lattice(ix + 1, iy + 1, seed, dx - 1.0f, dy - 1.0f);
    float u = fade(dx), v = fade(dy);
    float a = n00 + (n10 - n00) * u;
    float b = n01 + (n11 - n01) * u;
    return 1.4142135f * (a + (b - a) * v);
}

float fbm(float x, float y, uint32_t seed, int octaves, float gain)
{
    // Rotation by about 37 degrees and a lacunarity of 2.03 between octaves.
    const float c = 0.7986355f * 2.03f, s = 0.6018150f * 2.03f;
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(x, y, seed + 0x9e3779b9U * static_cast<uint32_t>(i));
        norm += amplitude;
        amplitude *= gain;
        float nx = c * x - s * y, ny = s * x + c * y;
        x = nx + 17.31f;
        y = ny - 5.87f;
    }
    return sum / norm;
}

float ridged(float x, float y, uint32_t seed, int octaves)
{
    const float c = 0.7986355f * 2.03f, s = 0.6018150f * 2.03f;
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        float n = 1.0f - std::fabs(gradientNoise(x, y, seed + 0x85ebca6bU * static_cast<uint32_t>(i)));
        sum += amplitude * n * n;
        norm += amplitude;
        amplitude *= 0.5f;
        float nx = c * x - s * y, ny = s * x + c * y;
        x = nx - 3.11f;
        y = ny + 11.7f;
    }
    return sum / norm;
}

Sequence::Sequence(uint32_t seed) : state(hash32(seed) | 1U)
{
}

uint32_t Sequence::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float Sequence::unit()
{
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

float Sequence::range(float low, float high)
{
    return low + (high - low) * unit();
}

} // namespace imagegen
