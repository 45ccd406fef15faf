// background.cpp - "anim0.jpg", the deep nebula behind the opening's spheres.
//
// The effect copies this image half-turned into its background layer (a render target), and
// that layer reaches the screen mirrored left to right, so the file ends up mirrored top to
// bottom: row 0 is the bottom of the picture. The image is composed in picture units (x right, y up, the picture
// kPictureAspect wide and 1 high, centred on 0) and sampled back into file rows accordingly.
#include "content.h"
#include "noise.h"

#include <algorithm>
#include <cmath>

namespace imagegen {

namespace {

const Color kVoid{0.006f, 0.007f, 0.022f};
const Color kDeepBlue{0.035f, 0.045f, 0.16f};
const Color kBlueViolet{0.35f, 0.43f, 0.95f};
const Color kMagenta{0.623f, 0.0952f, 0.315f};
const Color kLavender{0.78f, 0.80f, 1.0f};

// The key light, high on the left, and the band of gas that sweeps down from it to the right.
const float kLightX = -0.48f, kLightY = 0.30f;

float bandWeight(float x, float y)
{
    float centreY = 0.10f - 0.30f * x + 0.07f * std::sin(2.3f * x + 0.6f);
    float d = y - centreY;
    return std::exp(-d * d / 0.075f);
}

Color nebula(float x, float y)
{
    // Domain warp: the gas is pushed along a second noise field, which gives it its curls.
    float qx = fbm(1.7f * x + 3.1f, 1.7f * y - 1.3f, 101, 5);
    float qy = fbm(1.7f * x - 4.7f, 1.7f * y + 2.9f, 102, 5);
    float wx = 2.4f * x + 1.9f * qx, wy = 2.4f * y + 1.9f * qy;

    float density = fbm(wx, wy, 103, 7, 0.52f);
    float band = bandWeight(x + 0.08f * qx, y + 0.08f * qy);
    float light = std::exp(-((x - kLightX) * (x - kLightX) + (y - kLightY) * (y - kLightY)) / 0.32f);

    float gas = smoothstep(-0.35f, 0.75f, density) * (0.25f + 1.1f * band + 0.9f * light);
    gas = gas * gas;

    // Dark dust lanes cut through the brightest gas, which is what gives it depth.
    float dust = ridged(3.1f * x + 0.8f * qy + 9.0f, 3.1f * y + 0.8f * qx, 104, 5);
    float lanes = smoothstep(0.55f, 0.92f, dust) * smoothstep(0.0f, 0.6f, band + 0.4f * light);
    gas *= 1.0f - 0.72f * lanes;

    // Fine bright filaments along the gas' own creases.
    float filament = ridged(5.3f * x + 1.2f * qx, 5.3f * y + 1.2f * qy, 105, 5);
    float glow = std::pow(filament, 6.0f) * gas * 1.6f;

    // The magenta accent gathers where a slow field says so, mostly low and right of the light.
    float accentField = fbm(1.1f * x + 7.0f, 1.1f * y - 2.0f, 106, 4) + 0.35f * (x - kLightX) * 0.5f - 0.25f * y;
    float accent = smoothstep(0.05f, 0.45f, accentField);

    Color gasColor = mix(kBlueViolet, kMagenta, accent) * 0.55f;
    float core = std::exp(-((x - kLightX) * (x - kLightX) + (y - kLightY) * (y - kLightY)) / 0.045f);
    return gasColor * gas + kLavender * glow + mix(kBlueViolet, kLavender, 0.4f) * (0.12f * light * light + 0.22f * core);
}

Color haze(float x, float y)
{
    // The far layer: broad, dim clouds behind everything.
    float far = fbm(0.9f * x - 11.0f, 0.9f * y + 4.0f, 201, 4);
    float amount = smoothstep(-0.5f, 0.9f, far);
    return mix(kDeepBlue, mix(kDeepBlue, kMagenta, 0.35f) * 0.8f, smoothstep(0.2f, 0.8f, fbm(0.6f * x, 0.6f * y, 202, 3) + 0.3f)) *
           (0.35f + 0.9f * amount * amount);
}

// Adds stars: points of light spread over whole pixels with the Gaussian's exact pixel
// integrals, so that small stars keep their brightness instead of flickering between samples.
void addStars(std::vector<Color>& light, const std::vector<float>& veil, int size)
{
    Sequence random(2024);
    const int count = 900;
    for (int i = 0; i < count; ++i) {
        float x = random.range(-0.5f, 0.5f) * kPictureAspect;
        float y = random.range(-0.5f, 0.5f);
        float u = random.unit();
        float brightness = 0.9f * std::pow(u, 9.0f) + 0.05f;
        float sigma = (0.35f + 0.9f * std::pow(u, 6.0f)) / size; // in picture heights
        float tint = random.unit();
        Color color = tint < 0.6f ? mix(kLavender, Color{1, 1, 1}, 0.5f)
                                  : (tint < 0.85f ? mix(kBlueViolet, kLavender, 0.6f) : mix(kMagenta, Color{1, 0.9f, 0.95f}, 0.6f));

        float cx = (x / kPictureAspect + 0.5f) * size, cy = (y + 0.5f) * size;
        float sx = sigma * size / kPictureAspect, sy = sigma * size;
        float reachX = 4.0f * sx + 1.0f, reachY = 4.0f * sy + 1.0f;
        float flux = brightness * 6.2831853f * std::max(sx, 0.6f) * std::max(sy, 0.6f);
        for (int py = static_cast<int>(cy - reachY); py <= static_cast<int>(cy + reachY); ++py)
            for (int px = static_cast<int>(cx - reachX); px <= static_cast<int>(cx + reachX); ++px) {
                if (px < 0 || py < 0 || px >= size || py >= size)
                    continue;
                const float rootTwo = 1.4142135f;
                float ix = 0.5f * (std::erf((px + 1 - cx) / (rootTwo * sx)) - std::erf((px - cx) / (rootTwo * sx)));
                float iy = 0.5f * (std::erf((py + 1 - cy) / (rootTwo * sy)) - std::erf((py - cy) / (rootTwo * sy)));
                float amount = flux * ix * iy * (1.0f - 0.85f * veil[static_cast<size_t>(py) * size + px]);
                Color& c = light[static_cast<size_t>(py) * size + px];
                c = c + color * amount;
            }
    }
}

float toneMap(float v)
{
    return 1.0f - std::exp(-1.35f * v);
}

} // namespace

Image makeBackground(int size)
{
    std::vector<Color> light(static_cast<size_t>(size) * size);
    std::vector<float> veil(light.size());
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            float x = ((col + 0.5f) / size - 0.5f) * kPictureAspect;
            float y = (row + 0.5f) / size - 0.5f;
            Color c = kVoid + haze(x, y) + nebula(x, y);
            light[static_cast<size_t>(row) * size + col] = c;
            veil[static_cast<size_t>(row) * size + col] = clamp01((c.r + c.g + c.b) * 1.2f);
        }
    addStars(light, veil, size);

    Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            float x = ((col + 0.5f) / size - 0.5f) * kPictureAspect;
            float y = (row + 0.5f) / size - 0.5f;
            float vignette = 1.0f - 0.55f * smoothstep(0.35f, 1.15f, std::sqrt(x * x * 0.45f + y * y * 1.6f));
            Color c = light[static_cast<size_t>(row) * size + col] * vignette;
            image.set(col, row, {toneMap(c.r), toneMap(c.g), toneMap(c.b)}, 1.0f);
        }
    return image;
}

} // namespace imagegen
