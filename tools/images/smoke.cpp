// smoke.cpp - "smoke1.jpg" ... "smoke4.jpg", soft puffs on black.
//
// The effect adds them over its background with (GL_ONE, GL_SRC_ALPHA) at a low grey, and JPEG
// has no alpha, so every bit of brightness here is added light: the puffs are soft, and they are
// exactly black over an outer margin so their square quads never show an edge (the archive's
// textures repeat, and filtering at the border reads the opposite side).
#include "content.h"
#include "noise.h"

#include <cmath>

namespace imagegen {

namespace {

// The puffs are squeezed sideways by this much: their quads are square in a square layer that
// reaches the screen stretched to 16:9, and smoke may stay a little wider than high.
const float kSqueeze = 1.35f;

// Beyond this distance from the centre (in image widths) a puff is black.
const float kOuterRadius = 0.42f;

struct Lobe {
    float x, y, radius, weight;
};

struct PuffStyle {
    uint32_t seed;
    Lobe lobes[4];
    float warp;      // how far the density is pushed along its warp field
    float scale;     // noise frequency across the puff
    float threshold; // higher: thinner, more torn smoke
    float stretchX;  // the wisp's own elongation
    float body;      // the even haze under the billows
    Color tint;
};

const PuffStyle kStyles[4] = {
    // A round, billowing cloud.
    {11, {{0.0f, 0.0f, 0.22f, 1.0f}, {-0.1f, 0.07f, 0.16f, 0.6f}, {0.1f, -0.06f, 0.15f, 0.5f}, {0, 0, 0, 0}},
     1.1f, 3.2f, 0.3f, 1.0f, 0.35f, {0.93f, 0.95f, 1.0f}},
    // A long wisp lying across.
    {23, {{-0.16f, 0.06f, 0.09f, 0.8f}, {-0.03f, 0.01f, 0.11f, 1.0f}, {0.1f, -0.04f, 0.1f, 0.8f}, {0.2f, -0.1f, 0.07f, 0.5f}},
     1.6f, 2.6f, 0.35f, 2.0f, 0.22f, {0.92f, 0.94f, 1.0f}},
    // A torn puff with holes in it.
    {37, {{0.0f, 0.03f, 0.2f, 1.0f}, {-0.12f, -0.08f, 0.13f, 0.7f}, {0.1f, 0.11f, 0.12f, 0.6f}, {0, 0, 0, 0}},
     2.2f, 4.0f, 0.34f, 1.0f, 0.1f, {0.96f, 0.94f, 1.0f}},
    // A curling plume rising to one side.
    {41, {{-0.1f, -0.16f, 0.12f, 1.0f}, {-0.02f, -0.03f, 0.11f, 0.85f}, {0.06f, 0.09f, 0.1f, 0.7f}, {0.12f, 0.19f, 0.07f, 0.5f}},
     2.8f, 3.0f, 0.4f, 0.8f, 0.15f, {0.9f, 0.93f, 1.0f}},
};

float envelope(const PuffStyle& style, float x, float y)
{
    float sum = 0.0f;
    for (const Lobe& lobe : style.lobes) {
        if (lobe.weight <= 0.0f)
            continue;
        float dx = (x - lobe.x) / style.stretchX, dy = y - lobe.y;
        float radius = 1.25f * lobe.radius;
        sum += lobe.weight * std::exp(-(dx * dx + dy * dy) / (radius * radius));
    }
    return 1.0f - std::exp(-2.2f * sum);
}

} // namespace

Image makeSmoke(int variant, int size)
{
    const PuffStyle& style = kStyles[(variant - 1) & 3];
    Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            float u = (col + 0.5f) / size - 0.5f, v = 0.5f - (row + 0.5f) / size;
            float x = u * kSqueeze, y = v;

            float s = style.scale;
            float qx = fbm(s * x + 1.7f, s * y - 9.2f, style.seed + 1, 4);
            float qy = fbm(s * x - 6.3f, s * y + 2.8f, style.seed + 2, 4);
            float wx = x + style.warp * 0.08f * qx, wy = y + style.warp * 0.08f * qy;
            float density = 0.5f + 0.5f * fbm(s * 1.6f * wx, s * 1.6f * wy, style.seed + 3, 6, 0.55f);
            float shape = envelope(style, wx, wy);
            // Thick where the noise billows, thin and wispy where it does not; the threshold
            // tears holes into the thinner parts.
            float billow = smoothstep(style.threshold, 1.0f, density);
            float smoke = shape * shape * (style.body + 1.1f * billow * billow);

            float r = std::sqrt(u * u + v * v);
            float window = 1.0f - smoothstep(0.6f * kOuterRadius, kOuterRadius, r);
            float value = smoke * window;
            value = 0.95f * (1.0f - std::exp(-2.4f * value));
            image.set(col, row, style.tint * value, 1.0f);
        }
    return image;
}

} // namespace imagegen
