// image.h - the generators' canvas: a floating-point RGBA image, its encoding to PNG and JPEG
// (stb_image_write, into memory so that the bytes can be compared), and the small pixel
// operations the content makers share.
//
// Rows run top first: row 0 is the first row of the file, which the engine uploads as t = 0.
// Values are display values in 0..1; encoding clamps them and adds an ordered dither of at most
// half a step, so dark gradients do not band. Everything here is deterministic.
#pragma once

#include <string>
#include <vector>

namespace imagegen {

struct Color {
    float r = 0, g = 0, b = 0;
};

inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color operator*(Color a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Color operator*(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Color mix(Color a, Color b, float t) { return a * (1.0f - t) + b * t; }

struct Image {
    int width = 0;
    int height = 0;
    std::vector<float> pixels; // r, g, b, a per pixel, row 0 first

    Image() = default;
    Image(int width, int height);

    float* at(int x, int y) { return &pixels[(static_cast<size_t>(y) * width + x) * 4]; }
    const float* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 4]; }
    void set(int x, int y, Color c, float alpha);
};

// One channel of coverage or density, the same layout without the colour.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Plane() = default;
    Plane(int width, int height);

    float& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
};

// Separable Gaussian blur; the kernel ends (tapered) at three sigma, so a blurred shape grows by
// at most ceil(3 sigma) pixels on each side (the credit layout relies on that bound).
Plane gaussianBlur(const Plane& plane, float sigma);
int blurReach(float sigma);

// 8-bit encodings. `channels` 3 drops the alpha (RGB PNG), 4 keeps it.
std::string encodePng(const Image& image, int channels);
std::string encodeJpeg(const Image& image, int quality);

float clamp01(float v);
float smoothstep(float edge0, float edge1, float x);

} // namespace imagegen
