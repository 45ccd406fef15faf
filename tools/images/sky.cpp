// sky.cpp - the flock's sky.
//
// A dusk seen from inside the clouds: deep blue-violet above, a lavender band across the middle,
// a warm amber sun low on the left with a wide halo, and long soft cloud banks lit amber and
// magenta on the sun's side, violet in their shadows. No stars and no fine detail: the ribbons
// in front carry the detail, the sky only light and colour.
#include "sky.h"

#include "content.h"
#include "noise.h"

#include <cmath>

namespace imagegen {

namespace {

const Color kZenith{0.13f, 0.14f, 0.42f};
const Color kLavender{0.58f, 0.52f, 0.90f};
const Color kHorizon{0.93f, 0.62f, 0.70f};
const Color kAmber{1.0f, 0.70f, 0.36f};
const Color kSunCore{1.0f, 0.94f, 0.80f};
const Color kCloudShadow{0.36f, 0.30f, 0.74f};
const Color kCloudMagenta{0.86f, 0.42f, 0.76f};
const Color kCloudRim{1.0f, 0.80f, 0.62f};

const float kSunX = -0.42f, kSunY = -0.16f;

float sunDistanceSq(float x, float y)
{
    return (x - kSunX) * (x - kSunX) + (y - kSunY) * (y - kSunY);
}

Color clearSky(float x, float y)
{
    float up = y + 0.5f; // 0 at the bottom, 1 at the top
    Color c = mix(kHorizon, kLavender, smoothstep(0.05f, 0.55f, up));
    c = mix(c, kZenith, smoothstep(0.45f, 1.05f, up));
    float d2 = sunDistanceSq(x, y);
    c = c + kAmber * (0.8f * std::exp(-d2 / 0.16f) + 0.25f * std::exp(-d2 / 0.8f) * (1.0f - up)) + kSunCore * (0.85f * std::exp(-d2 / 0.006f));
    return c;
}

// Long banks of cloud, densest in two bands below and above the sun.
float cloudDensity(float x, float y)
{
    float wx = fbm(0.8f * x + 5.0f, 2.0f * y - 3.0f, 301, 4);
    float n = fbm(1.1f * x + 0.6f * wx, 3.4f * y + 0.4f * wx, 302, 6, 0.55f);
    float bands = std::exp(-std::pow((y + 0.30f) / 0.12f, 2.0f)) + 0.8f * std::exp(-std::pow((y - 0.12f) / 0.10f, 2.0f)) +
                  0.35f * std::exp(-std::pow((y - 0.36f) / 0.08f, 2.0f));
    return smoothstep(-0.3f, 0.3f, n) * clamp01(bands);
}

Color shadeCloud(float x, float y, float density)
{
    // Lit from the sun's side: the rims towards the sun glow warm, further off magenta, and the
    // thick parts stay violet.
    float toSun = std::exp(-sunDistanceSq(x, y) / 0.35f);
    float edgeLight = fbm(2.6f * x - 1.0f, 6.0f * y + 2.0f, 303, 3) * 0.5f + 0.5f;
    Color lit = mix(kCloudMagenta, kCloudRim, smoothstep(0.2f, 0.9f, toSun));
    float light = clamp01((0.3f + 0.8f * toSun) * edgeLight * 1.4f * (1.15f - density));
    return mix(kCloudShadow, lit, light);
}

float toneMap(float v)
{
    return 1.0f - std::exp(-1.6f * v);
}

} // namespace

Image makeFlockSky(int width, int height)
{
    Image image(width, height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            float x = ((col + 0.5f) / width - 0.5f) * kPictureAspect;
            float y = 0.5f - (row + 0.5f) / height;
            float density = cloudDensity(x, y);
            Color c = mix(clearSky(x, y), shadeCloud(x, y, density), 0.85f * density);
            float vignette = 1.0f - 0.35f * smoothstep(0.4f, 1.2f, std::sqrt(x * x * 0.4f + y * y * 1.8f));
            c = c * vignette;
            image.set(col, row, {toneMap(c.r), toneMap(c.g), toneMap(c.b)}, 1.0f);
        }
    return image;
}

} // namespace imagegen
