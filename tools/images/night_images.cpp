// night_images.cpp - the moon and the sphere height map of the night water.
#include "night_images.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

namespace imagegen {

namespace {

const Color kMoonLight = {0.93f, 0.91f, 0.86f};
const Color kMariaTint = {0.80f, 0.80f, 0.86f};
const Color kHalo = {0.30f, 0.24f, 0.55f};

struct Crater {
    float x, y, radius;
};

// Brightness change of the crater field at (u, v) in disc units: dark floors, bright rims.
float craterShade(float u, float v, const std::vector<Crater>& craters)
{
    float shade = 0.0f;
    for (const Crater& c : craters) {
        float d = std::sqrt((u - c.x) * (u - c.x) + (v - c.y) * (v - c.y)) / c.radius;
        if (d > 1.3f)
            continue;
        float floor = 1.0f - smoothstep(0.75f, 0.95f, d);
        float rim = std::exp(-((d - 1.0f) * (d - 1.0f)) / 0.012f);
        shade += -0.045f * floor + 0.03f * rim;
    }
    return shade;
}

} // namespace

Image makeMoon(int size)
{
    Image image(size, size);
    Sequence random(4711);
    std::vector<Crater> craters;
    for (int i = 0; i < 18; ++i) {
        float a = random.range(0.0f, 6.2831853f), r = std::sqrt(random.unit()) * 0.92f;
        craters.push_back({r * std::cos(a), r * std::sin(a), random.range(0.02f, 0.09f)});
    }
    const float centre = 0.5f * size, radius = 0.2f * size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f - centre) / radius, v = (y + 0.5f - centre) / radius;
            float r = std::sqrt(u * u + v * v);
            float coverage = clamp01((1.0f - r) * radius + 0.5f);
            Color disc = {0, 0, 0};
            if (coverage > 0.0f) {
                float mu = std::sqrt(std::max(0.0f, 1.0f - std::min(r, 1.0f) * std::min(r, 1.0f)));
                float maria = smoothstep(-0.05f, 0.5f, fbm(u * 1.1f + 3.1f, v * 1.1f - 1.7f, 21, 5, 0.55f));
                float grain = 0.06f * fbm(u * 9.0f, v * 9.0f, 22, 4);
                float albedo = 0.86f - 0.26f * maria + grain + craterShade(u, v, craters);
                Color tone = mix(kMoonLight, kMoonLight * kMariaTint, maria);
                disc = tone * (albedo * (0.55f + 0.45f * std::pow(mu, 0.4f)));
            }
            float d = std::sqrt((x + 0.5f - centre) * (x + 0.5f - centre) + (y + 0.5f - centre) * (y + 0.5f - centre)) /
                      size;
            float halo = 0.30f * std::exp(-(d - 0.2f) / 0.04f) + 0.10f * std::exp(-(d - 0.2f) / 0.12f);
            halo *= 1.0f - smoothstep(0.36f, 0.46f, d);
            if (d < 0.2f)
                halo = 0.40f;
            image.set(x, y, disc * coverage + kHalo * (halo * (1.0f - coverage)), 1.0f);
        }
    return image;
}

Image makeSphereHeightmap(int size)
{
    Image image(size, size);
    const float centre = 0.5f * size, radius = 0.5f * size - 1.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f - centre) / radius, v = (y + 0.5f - centre) / radius;
            float r = std::sqrt(u * u + v * v);
            float coverage = clamp01((1.0f - r) * radius + 0.5f);
            float h = std::sqrt(std::max(0.0f, 1.0f - r * r)) * coverage;
            image.set(x, y, {h, h, h}, 1.0f);
        }
    return image;
}

std::vector<NightFile> makeNightImages()
{
    return {{"moon.jpg", encodeJpeg(makeMoon(512), 93)},
            {"sphere_heightmap.png", encodePng(makeSphereHeightmap(256), 3)}};
}

} // namespace imagegen
