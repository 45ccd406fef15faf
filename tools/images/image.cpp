// image.cpp - canvas, blur and encodings.
#include "image.h"

#include <algorithm>
#include <cmath>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace imagegen {

Image::Image(int width, int height)
    : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4, 0.0f)
{
}

void Image::set(int x, int y, Color c, float alpha)
{
    float* p = at(x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = alpha;
}

Plane::Plane(int width, int height) : width(width), height(height), values(static_cast<size_t>(width) * height, 0.0f)
{
}

float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float smoothstep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

int blurReach(float sigma)
{
    return static_cast<int>(std::ceil(3.0f * sigma));
}

Plane gaussianBlur(const Plane& plane, float sigma)
{
    int reach = blurReach(sigma);
    std::vector<float> kernel(2 * reach + 1);
    float sum = 0.0f;
    for (int i = -reach; i <= reach; ++i) {
        // Tapered to zero at the reach, so a wide glow has no visible edge where the kernel ends.
        float edge = static_cast<float>(i) / (reach + 1);
        float taper = (1.0f - edge * edge) * (1.0f - edge * edge);
        sum += kernel[i + reach] = std::exp(-0.5f * i * i / (sigma * sigma)) * taper;
    }
    for (float& k : kernel)
        k /= sum;

    // Scattered from the non-zero pixels only: lettering covers a small part of its image.
    Plane across(plane.width, plane.height), result(plane.width, plane.height);
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x) {
            float v = plane.at(x, y);
            if (v == 0.0f)
                continue;
            for (int i = std::max(-reach, -x); i <= std::min(reach, plane.width - 1 - x); ++i)
                across.at(x + i, y) += v * kernel[i + reach];
        }
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x) {
            float v = across.at(x, y);
            if (v == 0.0f)
                continue;
            for (int i = std::max(-reach, -y); i <= std::min(reach, plane.height - 1 - y); ++i)
                result.at(x, y + i) += v * kernel[i + reach];
        }
    return result;
}

namespace {

// 4x4 Bayer matrix, centred on zero: at most half an 8-bit step either way.
float dither(int x, int y)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (bayer[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f;
}

std::vector<unsigned char> quantize(const Image& image, int channels)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * channels);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const float* p = image.at(x, y);
            unsigned char* out = &bytes[(static_cast<size_t>(y) * image.width + x) * channels];
            for (int c = 0; c < channels; ++c) {
                // Exact 0 and 1 stay exact: black margins and opaque alpha must not pick up dither.
                float v = clamp01(p[c]);
                float scaled = (v <= 0.0f || v >= 1.0f) ? v * 255.0f : v * 255.0f + dither(x, y);
                out[c] = static_cast<unsigned char>(std::clamp(std::lround(scaled), 0L, 255L));
            }
        }
    return bytes;
}

void appendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

} // namespace

std::string encodePng(const Image& image, int channels)
{
    std::vector<unsigned char> bytes = quantize(image, channels);
    std::string out;
    stbi_write_png_to_func(appendBytes, &out, image.width, image.height, channels, bytes.data(),
                           image.width * channels);
    return out;
}

std::string encodeJpeg(const Image& image, int quality)
{
    std::vector<unsigned char> bytes = quantize(image, 3);
    std::string out;
    stbi_write_jpg_to_func(appendBytes, &out, image.width, image.height, 3, bytes.data(), quality);
    return out;
}

} // namespace imagegen
