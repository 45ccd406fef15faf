// finale_images.cpp - "anim1.jpg" and "envmap.png", the closing effect's images.
//
// The swirl is drawn upright over a square quad that turns about its centre and reaches the
// screen stretched to the picture's shape; only its inscribed circle is ever seen whole, so it is
// round and dark at the rim. The environment is looked up by reflection direction: longitude
// across (seamless at the edges), latitude down from the zenith.
#include "finale_images.h"
#include "noise.h"

#include <cmath>

namespace imagegen {

namespace {

const float kPi = 3.14159265f;

const Color kVoid{0.008f, 0.006f, 0.03f};
const Color kDeepBlue{0.04f, 0.045f, 0.19f};
const Color kBlueViolet{0.35f, 0.43f, 0.95f};
const Color kMagenta{0.72f, 0.11f, 0.42f};
const Color kAmber{1.0f, 0.62f, 0.24f};
const Color kPaleGold{1.0f, 0.88f, 0.66f};

float toneMap(float v)
{
    return 1.0f - std::exp(-1.3f * v);
}

Color toneMap(Color c)
{
    return {toneMap(c.r), toneMap(c.g), toneMap(c.b)};
}

// The swirl at (x, y) in -1..1 (y up).
Color swirl(float x, float y)
{
    float r = std::sqrt(x * x + y * y);
    float angle = std::atan2(y, x);
    // A logarithmic spiral: along an arm the angle grows with ln r. Turning the sample point back
    // along the spiral makes the noise streak along the arms.
    float wind = 2.6f * std::log(r + 0.04f);
    float sa = std::sin(angle - wind), ca = std::cos(angle - wind);
    float px = r * ca, py = r * sa;

    float qx = fbm(2.2f * px + 4.1f, 2.2f * py - 1.7f, 301, 4);
    float qy = fbm(2.2f * px - 2.9f, 2.2f * py + 6.3f, 302, 4);
    float gas = 0.5f + 0.5f * fbm(3.4f * px + 1.2f * qx, 3.4f * py + 1.2f * qy, 303, 6, 0.55f);

    float arms = 0.5f + 0.5f * std::cos(3 * (angle - wind) + 1.4f * qx);
    arms = std::pow(arms, 2.2f);
    float disc = std::exp(-r * r / 0.42f);
    float density = (0.25f + 1.25f * arms) * smoothstep(0.25f, 0.85f, gas) * disc;

    // Dark lanes along the inner edge of each arm.
    float lane = smoothstep(0.55f, 0.95f, ridged(5.0f * px + qy, 5.0f * py - qx, 304, 5));
    density *= 1.0f - 0.6f * lane * smoothstep(0.15f, 0.5f, r);

    float accent = smoothstep(-0.1f, 0.5f, fbm(1.3f * px + 8.0f, 1.3f * py - 3.0f, 305, 3) + 0.3f * std::sin(angle));
    Color gasColor = mix(kBlueViolet * 0.6f, kMagenta * 0.8f, accent);

    // Warm filaments wound into the inner arms, and the core.
    float filament = std::pow(ridged(7.0f * px + 1.5f * qx, 7.0f * py + 1.5f * qy, 306, 4), 7.0f);
    float inner = std::exp(-r * r / 0.12f);
    float core = std::exp(-r * r / 0.012f);

    Color c = kVoid + kDeepBlue * (0.5f + 0.8f * disc) + gasColor * density;
    c = c + kAmber * (filament * inner * 1.4f * arms) + mix(kAmber, kPaleGold, core) * (0.55f * inner * inner + 0.9f * core);
    // Black from 95 % of the radius out.
    return c * (1.0f - smoothstep(0.55f, 0.95f, r));
}

void addSwirlStars(Image& image)
{
    Sequence random(4099);
    int size = image.width;
    for (int i = 0; i < 420; ++i) {
        float x = random.range(-0.9f, 0.9f), y = random.range(-0.9f, 0.9f);
        float u = random.unit();
        float r = std::sqrt(x * x + y * y);
        float brightness = (0.35f + 1.2f * std::pow(u, 8.0f)) * (1.0f - smoothstep(0.5f, 0.9f, r));
        Color color = random.unit() < 0.7f ? mix(kBlueViolet, Color{1, 1, 1}, 0.7f) : mix(kAmber, Color{1, 1, 1}, 0.5f);
        float cx = (x * 0.5f + 0.5f) * size, cy = (0.5f - y * 0.5f) * size;
        for (int row = static_cast<int>(cy) - 2; row <= static_cast<int>(cy) + 2; ++row)
            for (int px = static_cast<int>(cx) - 2; px <= static_cast<int>(cx) + 2; ++px) {
                if (px < 0 || row < 0 || px >= size || row >= size)
                    continue;
                float dx = px + 0.5f - cx, dy = row + 0.5f - cy;
                float amount = brightness * std::exp(-(dx * dx + dy * dy) / 0.9f);
                float* p = image.at(px, row);
                p[0] = clamp01(p[0] + color.r * amount);
                p[1] = clamp01(p[1] + color.g * amount);
                p[2] = clamp01(p[2] + color.b * amount);
            }
    }
}

struct Sun {
    float glow, disc;
};

// The low sun, a little left of the view's back direction (longitude 0 is seen at the centre
// of a sphere facing the camera).
Sun sunAt(float lon, float lat)
{
    float dLon = std::remainder(lon + 0.55f, 2 * kPi), dLat = lat - 0.09f;
    float d2 = dLon * dLon + dLat * dLat;
    return {std::exp(-d2 / 0.05f) + 0.35f * std::exp(-std::sqrt(d2) / 0.6f), std::exp(-d2 / 0.0009f)};
}

// The height of the far ridge along the horizon, in radians; noise on a circle of longitudes
// keeps the left and right edges identical.
float ridgeAt(float cx, float sx)
{
    float ridge = 0.05f + 0.07f * fbm(2.2f * cx + 5.0f, 2.2f * sx, 401, 4) + 0.025f * fbm(7.0f * cx, 7.0f * sx - 3.0f, 402, 3);
    return ridge < 0.012f ? 0.012f : ridge;
}

// The sky h radians above the horizon: amber at the horizon, magenta, blue-violet, deep blue at
// the zenith, with streaked clouds lit warm near the sun.
Color skyAt(float lon, float h)
{
    float cx = std::cos(lon), sx = std::sin(lon);
    Sun sun = sunAt(lon, h);
    Color sky = mix(mix(kAmber, kMagenta, smoothstep(0.0f, 0.16f, h)), kBlueViolet * 0.75f, smoothstep(0.1f, 0.55f, h));
    sky = mix(sky, kDeepBlue * 1.5f, smoothstep(0.6f, 1.5f, h));
    float horizonGlow = std::exp(-h / 0.06f);
    Color c = sky * (1.1f + 1.2f * horizonGlow) + kPaleGold * (1.6f * horizonGlow * horizonGlow);

    float band = smoothstep(0.05f, 0.14f, h) * (1.0f - smoothstep(0.5f, 0.9f, h));
    float streak = fbm(3.0f * cx + 0.4f * std::sin(9 * h), 3.0f * sx + 14.0f * h, 403, 6, 0.55f);
    float cloud = smoothstep(-0.1f, 0.45f, streak) * band;
    Color cloudLight = mix(kMagenta * 0.9f, kAmber * 1.2f, clamp01(sun.glow * 1.6f));
    c = mix(c, cloudLight * (1.0f + 0.8f * horizonGlow), 0.8f * cloud);
    return c + mix(kAmber, kPaleGold, 0.6f) * (1.3f * sun.glow) + Color{1, 0.97f, 0.9f} * (3.0f * sun.disc);
}

// Above the water: the sky, or the ridge's dark silhouette with a haze line along its crest.
Color aboveWater(float lon, float h)
{
    float ridge = ridgeAt(std::cos(lon), std::sin(lon));
    if (h >= ridge)
        return skyAt(lon, h);
    float hazeLine = std::exp(-(ridge - h) / 0.015f);
    return mix(kVoid, kMagenta * 0.25f, hazeLine) + kAmber * (0.25f * hazeLine);
}

// The environment at longitude lon (-pi..pi) and latitude lat (-pi/2..pi/2). Below the horizon
// lies still water that mirrors everything above it, rippled and dimmer towards the nadir, so
// a surface facing down still shows the glow.
Color environment(float lon, float lat)
{
    if (lat >= 0)
        return aboveWater(lon, lat);
    float d = -lat;
    float cx = std::cos(lon), sx = std::sin(lon);
    float ripple = fbm(4.0f * cx, 4.0f * sx + 30.0f * d, 404, 5);
    float wobble = 0.025f * ripple * smoothstep(0.0f, 0.2f, d);
    Color mirrored = aboveWater(lon + wobble, d + 0.5f * wobble);
    float dim = 0.7f - 0.25f * smoothstep(0.0f, 1.2f, d);
    return kVoid + mirrored * (dim * (0.85f + 0.3f * ripple));
}

} // namespace

Image makeSwirl(int size)
{
    Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            float x = (col + 0.5f) / size * 2 - 1, y = 1 - (row + 0.5f) / size * 2;
            image.set(col, row, toneMap(swirl(x, y)), 1.0f);
        }
    addSwirlStars(image);
    return image;
}

Image makeEnvironment(int height)
{
    int width = 2 * height;
    Image image(width, height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            float lon = ((col + 0.5f) / width * 2 - 1) * kPi;
            float lat = (0.5f - (row + 0.5f) / height) * kPi;
            image.set(col, row, toneMap(environment(lon, lat)), 1.0f);
        }
    return image;
}

std::vector<ImageFile> makeFinaleImages()
{
    return {{"anim1.jpg", encodeJpeg(makeSwirl(1024), 93)}, {"envmap.png", encodePng(makeEnvironment(256), 3)}};
}

} // namespace imagegen
