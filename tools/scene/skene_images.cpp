// skene_images.cpp - painting the images.
#include "skene_images.h"

#include "skene_math.h"

#include <algorithm>
#include <cmath>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace skene {

namespace {

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
float smooth(float t) { return t * t * (3 - 2 * t); }

// Value noise on a lattice that wraps every `period` cells, so textures tile.
float latticeNoise(float x, float y, int period, unsigned seed)
{
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float fx = smooth(x - ix), fy = smooth(y - iy);
    auto at = [&](int i, int j) {
        unsigned u = static_cast<unsigned>(((i % period) + period) % period);
        unsigned v = static_cast<unsigned>(((j % period) + period) % period);
        return hashUnit(u * 73856093u ^ v * 19349663u ^ seed * 83492791u);
    };
    float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Fractal sum of octaves in [0, 1]; (u, v) in [0, 1) tiles with the base period.
float fbm(float u, float v, int basePeriod, int octaves, unsigned seed)
{
    float sum = 0, weight = 0.5f, total = 0;
    int period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * latticeNoise(u * period, v * period, period, seed + o);
        total += weight;
        weight *= 0.5f;
        period *= 2;
    }
    return sum / total;
}

Image blank(int w, int h)
{
    Image image;
    image.width = w;
    image.height = h;
    image.rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    return image;
}

} // namespace

void Image::set(int x, int y, float r, float g, float b)
{
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    rgb[i] = static_cast<uint8_t>(std::lround(clamp01(r) * 255));
    rgb[i + 1] = static_cast<uint8_t>(std::lround(clamp01(g) * 255));
    rgb[i + 2] = static_cast<uint8_t>(std::lround(clamp01(b) * 255));
}

Image skyImage()
{
    const int n = 512;
    Image image = blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = (x + 0.5f) / n, v = (y + 0.5f) / n; // v = 0 at the top
            // Deep blue overhead, a violet haze low down where the arcade's end opens.
            float horizon = std::exp(-std::pow((v - 0.62f) / 0.22f, 2.0f));
            Vec3 c = lerp(Vec3(0.012f, 0.016f, 0.045f), Vec3(0.05f, 0.06f, 0.12f), v);
            c += Vec3(0.07f, 0.05f, 0.11f) * horizon;
            float cloud = fbm(u, v, 4, 6, 11);
            float veil = clamp01((cloud - 0.38f) * 2.4f);
            float hue = fbm(u + 0.31f, v, 3, 4, 29);
            c += lerp(Vec3(0.03f, 0.08f, 0.1f), Vec3(0.11f, 0.04f, 0.1f), hue) * (veil * veil * 2.0f);
            // Sparse stars, dimmed where the haze is thick.
            float s = hashUnit(static_cast<unsigned>(y * n + x) * 2654435761u + 7u);
            if (s > 0.9965f) {
                float twinkle = (s - 0.9965f) / 0.0035f;
                c += Vec3(0.5f, 0.52f, 0.6f) * (twinkle * (1 - 0.7f * horizon) * (1 - veil));
            }
            image.set(x, y, c.x, c.y, c.z);
        }
    return image;
}

Image speckImage()
{
    const int n = 128;
    Image image = blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            float r2 = dx * dx + dy * dy;
            float f = r2 >= 1 ? 0 : (1 - r2) * (1 - r2);
            f = f * f * 0.35f + f * 0.65f; // a brighter core over a soft skirt
            image.set(x, y, f, f, f);
        }
    return image;
}

Image stoneImage()
{
    const int n = 256;
    Image image = blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = static_cast<float>(x) / n, v = static_cast<float>(y) / n;
            float body = fbm(u, v, 4, 6, 101);
            float grain = latticeNoise(u * 128, v * 128, 128, 131);
            float vein = std::fabs(std::sin((u + v * 0.6f + body * 0.9f) * 2 * kPi * 3));
            float k = 0.72f + 0.36f * body + 0.08f * grain - 0.12f * std::pow(1 - vein, 14.0f);
            float pit = grain > 0.93f ? 0.82f : 1.0f;
            float warm = fbm(u, v, 2, 3, 151) - 0.5f;
            image.set(x, y, k * pit * (0.96f + 0.1f * warm), k * pit * 0.95f, k * pit * (0.9f - 0.08f * warm));
        }
    return image;
}

Image tilesImage()
{
    const int n = 256, tile = 128;
    Image image = blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = static_cast<float>(x) / n, v = static_cast<float>(y) / n;
            int tx = x / tile, ty = y / tile;
            int gx = std::min(x % tile, tile - 1 - x % tile), gy = std::min(y % tile, tile - 1 - y % tile);
            int edge = std::min(gx, gy);
            unsigned id = static_cast<unsigned>(tx + 2 * ty);
            float tone = 0.8f + 0.3f * hashUnit(id * 977u + 3u);
            float cloud = fbm(u, v, 4, 5, 211 + id);
            float vein = std::fabs(std::sin((u * 1.3f - v + cloud * 1.4f) * 2 * kPi * 2));
            float k = tone * (0.82f + 0.26f * cloud) - 0.1f * std::pow(1 - vein, 10.0f) +
                      0.04f * latticeNoise(u * 128, v * 128, 128, 223);
            if (edge < 2)
                k *= 0.5f; // grout
            else if (edge < 4)
                k *= 0.94f; // bevel
            float warm = hashUnit(id * 31u + 17u) - 0.5f;
            image.set(x, y, k * (0.98f + 0.06f * warm), k * 0.96f, k * (0.92f - 0.06f * warm));
        }
    return image;
}

std::vector<uint8_t> encodeJpeg(const Image& image)
{
    std::vector<uint8_t> bytes;
    stbi_write_jpg_to_func(
        [](void* context, void* data, int size) {
            auto* out = static_cast<std::vector<uint8_t>*>(context);
            const auto* p = static_cast<const uint8_t*>(data);
            out->insert(out->end(), p, p + size);
        },
        &bytes, image.width, image.height, 3, image.rgb.data(), 92);
    return bytes;
}

} // namespace skene
