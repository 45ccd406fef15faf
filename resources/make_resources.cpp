// make_resources.cpp - build-time tool: paints the setup dialog's banner (315 x 100) and the
// program icon (32 x 32, 16 x 16) and writes them as a C++ source of RGBA arrays, plus PNG copies
// to look at (with the icon also at 128 x 128, for desktop menus) and the Windows build's
// resource files: banner.bmp (24-bit) and program.ico (both sizes in 16 colours, one palette
// chosen for the icon's own colours).
//
//   make_resources FONT.ttf OUT.cpp PNG_DIR
//
// The banner is the title "Sublumen" glowing over a dark planet whose rim catches a blue-violet
// light, with a magenta accent, stars and soft light spheres. Everything is painted in linear
// light, tone-mapped and dithered with a fixed matrix: the same font gives the same bytes.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r = 0, g = 0, b = 0;
    Colour operator+(const Colour& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Colour operator*(float s) const { return {r * s, g * s, b * s}; }
};

// Light colours of the picture (linear, before tone mapping).
const Colour kViolet = {0.34f, 0.22f, 1.0f};
const Colour kBlue = {0.16f, 0.30f, 1.0f};
const Colour kMagenta = {1.0f, 0.12f, 0.62f};
const Colour kWhite = {0.95f, 0.93f, 1.0f};

// An image in linear light with coverage (alpha, for the icon).
struct Canvas {
    int width, height;
    std::vector<Colour> light;
    std::vector<float> alpha;
    Canvas(int w, int h) : width(w), height(h), light(static_cast<size_t>(w * h)), alpha(static_cast<size_t>(w * h), 1.0f) {}
    Colour& at(int x, int y) { return light[static_cast<size_t>(y * width + x)]; }
};

// The C library's classic generator, so the stars do not depend on the platform's rand().
struct Lcg {
    uint32_t state = 1;
    float next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<float>((state >> 16) & 0x7FFF) / 32767.0f;
    }
};

float smoothstep(float e0, float e1, float x)
{
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// Coverage of the title's glyphs, 0..1, one float per pixel.
std::vector<float> rasteriseTitle(const std::string& fontBytes, const char* text, int width, int height,
                                  float pixelHeight, float tracking, float baseline)
{
    std::vector<float> mask(static_cast<size_t>(width * height), 0.0f);
    stbtt_fontinfo font;
    const auto* data = reinterpret_cast<const unsigned char*>(fontBytes.data());
    if (!stbtt_InitFont(&font, data, stbtt_GetFontOffsetForIndex(data, 0)))
        return mask;
    float scale = stbtt_ScaleForPixelHeight(&font, pixelHeight);

    float textWidth = 0;
    for (const char* c = text; *c; ++c) {
        int advance, lsb;
        stbtt_GetCodepointHMetrics(&font, *c, &advance, &lsb);
        textWidth += advance * scale + (c[1] ? tracking + stbtt_GetCodepointKernAdvance(&font, c[0], c[1]) * scale : 0);
    }

    float x = (width - textWidth) / 2;
    for (const char* c = text; *c; ++c) {
        int advance, lsb, x0, y0, x1, y1;
        stbtt_GetCodepointHMetrics(&font, *c, &advance, &lsb);
        float shift = x - std::floor(x);
        stbtt_GetCodepointBitmapBoxSubpixel(&font, *c, scale, scale, shift, 0, &x0, &y0, &x1, &y1);
        int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            std::vector<unsigned char> glyph(static_cast<size_t>(gw * gh));
            stbtt_MakeCodepointBitmapSubpixel(&font, glyph.data(), gw, gh, gw, scale, scale, shift, 0, *c);
            for (int gy = 0; gy < gh; ++gy)
                for (int gx = 0; gx < gw; ++gx) {
                    int px = static_cast<int>(std::floor(x)) + x0 + gx;
                    int py = static_cast<int>(baseline) + y0 + gy;
                    if (px >= 0 && px < width && py >= 0 && py < height) {
                        float& m = mask[static_cast<size_t>(py * width + px)];
                        m = std::min(1.0f, m + glyph[static_cast<size_t>(gy * gw + gx)] / 255.0f);
                    }
                }
        }
        x += advance * scale;
        if (c[1])
            x += tracking + stbtt_GetCodepointKernAdvance(&font, c[0], c[1]) * scale;
    }
    return mask;
}

std::vector<float> blur(const std::vector<float>& in, int width, int height, float sigma)
{
    int radius = static_cast<int>(std::ceil(sigma * 3));
    std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[static_cast<size_t>(i + radius)] = std::exp(-0.5f * i * i / (sigma * sigma));
    for (float& k : kernel)
        k /= sum;
    std::vector<float> across(in.size()), out(in.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float s = 0;
            for (int i = -radius; i <= radius; ++i)
                s += kernel[static_cast<size_t>(i + radius)] * in[static_cast<size_t>(y * width + std::clamp(x + i, 0, width - 1))];
            across[static_cast<size_t>(y * width + x)] = s;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float s = 0;
            for (int i = -radius; i <= radius; ++i)
                s += kernel[static_cast<size_t>(i + radius)] * across[static_cast<size_t>(std::clamp(y + i, 0, height - 1) * width + x)];
            out[static_cast<size_t>(y * width + x)] = s;
        }
    return out;
}

// The planet's rim: a circle centred below the picture. Returns the light at (x, y) and whether
// the point is inside the planet (dark).
Colour planetLight(float x, float y, float cx, float cy, float radius, float width, bool& inside)
{
    float dx = x - cx, dy = y - cy;
    float d = std::sqrt(dx * dx + dy * dy) - radius; // < 0 inside
    inside = d < 0;
    // Light comes from above and a little from the right; magenta leaks in on the left.
    float along = std::clamp((x - cx) / (width * 0.7f), -1.0f, 1.0f);
    float facing = 0.35f + 0.65f * std::exp(-along * along * 2.2f);
    Colour tint = kViolet * (0.55f + 0.45f * smoothstep(-1.0f, 0.4f, along)) +
                  kMagenta * (0.9f * smoothstep(-0.2f, -0.95f, along));
    float rim = d < 0 ? std::exp(d / 1.2f) * 2.6f + std::exp(d / 6.0f) * 0.25f // thin bright edge, faint inner sheen
                      : std::exp(-d / 2.0f) * 1.4f + std::exp(-d / 14.0f) * 0.45f; // atmosphere
    return tint * (rim * facing);
}

void paintBanner(Canvas& c, const std::string& fontBytes)
{
    const float w = static_cast<float>(c.width), h = static_cast<float>(c.height);
    const float cx = w * 0.56f, cy = h + 430.0f, radius = 470.0f;

    Lcg random;
    std::vector<float> stars(static_cast<size_t>(c.width * c.height), 0.0f);
    for (int i = 0; i < 140; ++i) {
        int x = static_cast<int>(random.next() * (w - 1));
        int y = static_cast<int>(random.next() * (h - 1));
        float b = random.next();
        stars[static_cast<size_t>(y * c.width + x)] += 0.03f + 0.9f * b * b * b * b;
    }
    std::vector<float> starGlow = blur(stars, c.width, c.height, 0.7f);

    std::vector<float> title = rasteriseTitle(fontBytes, "Sublumen", c.width, c.height, 46.0f, 3.0f, 52.0f);
    std::vector<float> haloNear = blur(title, c.width, c.height, 2.2f);
    std::vector<float> haloFar = blur(title, c.width, c.height, 9.0f);

    struct Sphere {
        float x, y, r, level;
        Colour colour;
    };
    const Sphere spheres[] = {
        {38, 30, 22, 0.05f, kBlue},    {70, 74, 12, 0.04f, kViolet},   {268, 22, 16, 0.04f, kViolet},
        {292, 60, 28, 0.045f, kMagenta}, {226, 86, 9, 0.05f, kViolet}, {16, 86, 14, 0.04f, kMagenta},
    };

    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            size_t i = static_cast<size_t>(y * c.width + x);
            Colour light = Colour{0.001f, 0.001f, 0.005f} + Colour{0.004f, 0.001f, 0.014f} * (fy / h);
            // A wide violet haze behind the title and a magenta one low on the left.
            float hx = (fx - w * 0.5f) / (w * 0.45f), hy = (fy - h * 0.5f) / (h * 0.55f);
            light = light + kViolet * (0.035f * std::exp(-(hx * hx + hy * hy)));
            float mx = (fx - w * 0.12f) / (w * 0.25f), my = (fy - h * 0.95f) / (h * 0.45f);
            light = light + kMagenta * (0.04f * std::exp(-(mx * mx + my * my)));

            for (const Sphere& s : spheres) {
                float d = std::hypot(fx - s.x, fy - s.y) / s.r;
                light = light + s.colour * (s.level * (smoothstep(1.0f, 0.55f, d) * (0.4f + 0.6f * d * d)));
            }

            bool inside = false;
            Colour rim = planetLight(fx, fy, cx, cy, radius, w, inside);
            if (inside)
                light = Colour{0.0005f, 0.0004f, 0.002f};
            else
                light = light + kWhite * (starGlow[i] * 1.6f);
            light = light + rim;

            light = light + kMagenta * (haloFar[i] * 0.7f) + kViolet * (haloNear[i] * 1.1f) + kWhite * (title[i] * 1.5f);
            c.at(x, y) = light;
        }
}

// The banner's picture in small: a round patch of night sky in which a planet's lit rim curves
// below a bright star. Sampled 8 x 8 per pixel so that the 16-pixel size stays round and sharp.
void paintIcon(Canvas& c)
{
    const int n = 8;
    const float size = static_cast<float>(c.width);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            Colour sum;
            float cover = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    // u, v: 0..1 across the icon
                    float u = (x + (sx + 0.5f) / n) / size, v = (y + (sy + 0.5f) / n) / size;
                    float disc = std::hypot(u - 0.5f, v - 0.5f) / 0.485f;
                    if (disc > 1.0f)
                        continue;
                    cover += 1;
                    Colour light = Colour{0.002f, 0.0015f, 0.010f} + kViolet * (0.02f * v * v);
                    light = light + kViolet * (0.25f * std::pow(disc, 30.0f)); // the patch's own edge

                    float d = (std::hypot(u - 0.62f, v - 1.42f) - 0.88f) * 32.0f; // rim distance, ~pixels at 32
                    float across = std::clamp((u - 0.62f) / 0.6f, -1.0f, 1.0f);
                    Colour tint = kViolet * (0.6f + 0.4f * smoothstep(-1.0f, 0.4f, across)) +
                                  kMagenta * smoothstep(-0.1f, -0.8f, across);
                    if (d < 0)
                        light = Colour{0.0005f, 0.0004f, 0.002f} + tint * (std::exp(d / 0.9f) * 3.0f);
                    else
                        light = light + tint * (std::exp(-d / 1.2f) * 2.2f + std::exp(-d / 4.0f) * 0.12f);

                    float su = (u - 0.36f) * 32.0f, sv = (v - 0.32f) * 32.0f; // the star, in 32-pixel units
                    float glint = std::exp(-(su * su + sv * sv) / 2.0f) * 3.0f +
                                  (std::exp(-su * su * 3.0f) * std::exp(-std::fabs(sv) / 2.2f) +
                                   std::exp(-sv * sv * 3.0f) * std::exp(-std::fabs(su) / 2.2f)) * 0.8f;
                    light = light + kWhite * glint + kViolet * (std::exp(-(su * su + sv * sv) / 14.0f) * 0.25f);
                    sum = sum + light;
                }
            size_t i = static_cast<size_t>(y * c.width + x);
            c.alpha[i] = cover / (n * n);
            c.light[i] = cover > 0 ? sum * (1.0f / cover) : Colour{};
        }
}

// Tone maps linear light to 8-bit sRGB-like bytes with a fixed 4 x 4 ordered dither.
std::vector<unsigned char> toBytes(const Canvas& c)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<unsigned char> out(static_cast<size_t>(c.width * c.height * 4));
    auto encode = [](float v, float dither) {
        float mapped = 1.0f - std::exp(-v * 1.4f);
        float srgb = std::pow(std::clamp(mapped, 0.0f, 1.0f), 1.0f / 2.2f);
        return static_cast<unsigned char>(std::clamp(srgb * 255.0f + dither, 0.0f, 255.0f));
    };
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            size_t i = static_cast<size_t>(y * c.width + x);
            float dither = (bayer[y & 3][x & 3] + 0.5f) / 16.0f;
            const Colour& l = c.light[i];
            out[i * 4 + 0] = encode(l.r, dither);
            out[i * 4 + 1] = encode(l.g, dither);
            out[i * 4 + 2] = encode(l.b, dither);
            out[i * 4 + 3] = static_cast<unsigned char>(std::lround(c.alpha[i] * 255.0f));
        }
    return out;
}

void writeArray(std::ofstream& out, const char* name, const char* arrayName, int w, int h,
                const std::vector<unsigned char>& bytes)
{
    out << "static const unsigned char " << arrayName << "[" << bytes.size() << "] = {";
    for (size_t i = 0; i < bytes.size(); ++i)
        out << (i % 24 == 0 ? "\n" : "") << static_cast<int>(bytes[i]) << ",";
    out << "\n};\n";
    out << "const ResourceImage " << name << " = {" << w << ", " << h << ", " << arrayName << "};\n\n";
}

void put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, unsigned v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A BITMAPINFOHEADER; an icon's height counts its colour rows and its mask's.
void putInfoHeader(std::string& out, int w, int h, int bits, unsigned imageBytes)
{
    put32(out, 40);
    put32(out, static_cast<unsigned>(w));
    put32(out, static_cast<unsigned>(h));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);
    put32(out, imageBytes);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// 24-bit, rows bottom up, each padded to four bytes.
std::string bitmapFile(const std::vector<unsigned char>& rgba, int w, int h)
{
    const int stride = (w * 3 + 3) & ~3;
    std::string out = "BM";
    put32(out, static_cast<unsigned>(54 + stride * h));
    put32(out, 0);
    put32(out, 54);
    putInfoHeader(out, w, h, 24, static_cast<unsigned>(stride * h));
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &rgba[static_cast<size_t>(y * w + x) * 4];
            row += static_cast<char>(p[2]), row += static_cast<char>(p[1]), row += static_cast<char>(p[0]);
        }
        row.resize(static_cast<size_t>(stride), '\0');
        out += row;
    }
    return out;
}

struct Rgb {
    float r, g, b;
};

float distance2(const Rgb& a, const Rgb& b)
{
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

int nearest(const std::vector<Rgb>& palette, const Rgb& c, size_t first)
{
    size_t best = first;
    for (size_t i = first; i < palette.size(); ++i)
        if (distance2(palette[i], c) < distance2(palette[best], c))
            best = i;
    return static_cast<int>(best);
}

// Sixteen colours for the opaque pixels of both icon sizes: entry 0 is black (what the mask's
// transparent pixels hold), the other fifteen come from k-means started at evenly spaced
// brightness ranks, so the same pixels always give the same palette.
std::vector<Rgb> iconPalette(const std::vector<const std::vector<unsigned char>*>& images)
{
    std::vector<Rgb> opaque;
    for (const auto* image : images)
        for (size_t i = 0; i < image->size(); i += 4)
            if ((*image)[i + 3] >= 128)
                opaque.push_back({float((*image)[i]), float((*image)[i + 1]), float((*image)[i + 2])});
    std::vector<Rgb> palette(16, Rgb{0, 0, 0});
    if (opaque.empty())
        return palette;
    std::vector<Rgb> sorted = opaque;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Rgb& a, const Rgb& b) { return a.r + a.g + a.b < b.r + b.g + b.b; });
    for (size_t k = 1; k < 16; ++k)
        palette[k] = sorted[(2 * (k - 1) + 1) * sorted.size() / 30];
    for (int round = 0; round < 12; ++round) {
        std::vector<Rgb> sum(16, Rgb{0, 0, 0});
        std::vector<int> count(16, 0);
        for (const Rgb& c : opaque) {
            int k = nearest(palette, c, 1);
            sum[k].r += c.r, sum[k].g += c.g, sum[k].b += c.b;
            ++count[k];
        }
        for (size_t k = 1; k < 16; ++k)
            if (count[k] > 0)
                palette[k] = {sum[k].r / count[k], sum[k].g / count[k], sum[k].b / count[k]};
    }
    for (Rgb& c : palette)
        c = {std::round(c.r), std::round(c.g), std::round(c.b)};
    return palette;
}

// One icon image: the header, the palette, the 4-bit colour rows and the 1-bit mask (1 marks a
// transparent pixel), both bottom up with rows padded to four bytes.
std::string iconImage(const std::vector<unsigned char>& rgba, int size, const std::vector<Rgb>& palette)
{
    const int colourStride = (size / 2 + 3) & ~3, maskStride = (size / 8 + 3) & ~3;
    std::string out;
    putInfoHeader(out, size, size * 2, 4, static_cast<unsigned>((colourStride + maskStride) * size));
    for (const Rgb& c : palette) {
        out += static_cast<char>(c.b), out += static_cast<char>(c.g), out += static_cast<char>(c.r);
        out += '\0';
    }
    std::string colour, mask;
    for (int y = size - 1; y >= 0; --y) {
        std::string colourRow(static_cast<size_t>(colourStride), '\0'), maskRow(static_cast<size_t>(maskStride), '\0');
        for (int x = 0; x < size; ++x) {
            const unsigned char* p = &rgba[static_cast<size_t>(y * size + x) * 4];
            int index = 0;
            if (p[3] >= 128)
                index = nearest(palette, {float(p[0]), float(p[1]), float(p[2])}, 1);
            else
                maskRow[static_cast<size_t>(x / 8)] = static_cast<char>(maskRow[static_cast<size_t>(x / 8)] | (0x80 >> (x % 8)));
            colourRow[static_cast<size_t>(x / 2)] = static_cast<char>(colourRow[static_cast<size_t>(x / 2)] | (x % 2 ? index : index << 4));
        }
        colour += colourRow;
        mask += maskRow;
    }
    return out + colour + mask;
}

// An icon group of the 32 x 32 and 16 x 16 images, 16 colours each.
std::string iconFile(const std::vector<unsigned char>& icon32, const std::vector<unsigned char>& icon16)
{
    std::vector<Rgb> palette = iconPalette({&icon32, &icon16});
    std::string images[2] = {iconImage(icon32, 32, palette), iconImage(icon16, 16, palette)};
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 2);
    unsigned offset = 6 + 2 * 16;
    const int sizes[2] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        out += static_cast<char>(sizes[i]), out += static_cast<char>(sizes[i]);
        out += static_cast<char>(16), out += '\0';
        put16(out, 1);
        put16(out, 4);
        put32(out, static_cast<unsigned>(images[i].size()));
        put32(out, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    return out + images[0] + images[1];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_resources FONT.ttf OUT.cpp PNG_DIR\n");
        return 2;
    }
    std::ifstream fontFile(argv[1], std::ios::binary);
    std::string fontBytes((std::istreambuf_iterator<char>(fontFile)), std::istreambuf_iterator<char>());
    if (fontBytes.empty()) {
        std::fprintf(stderr, "make_resources: cannot read the font %s\n", argv[1]);
        return 1;
    }

    // The 128-pixel icon is for desktop menus (the installed hicolor theme); only the two small
    // ones are compiled in.
    Canvas banner(315, 100), icon32(32, 32), icon16(16, 16), icon128(128, 128);
    paintBanner(banner, fontBytes);
    paintIcon(icon32);
    paintIcon(icon16);
    paintIcon(icon128);
    std::vector<unsigned char> bannerBytes = toBytes(banner);
    for (size_t i = 3; i < bannerBytes.size(); i += 4)
        bannerBytes[i] = 255;
    std::vector<unsigned char> icon32Bytes = toBytes(icon32), icon16Bytes = toBytes(icon16),
                               icon128Bytes = toBytes(icon128);

    std::ofstream out(argv[2], std::ios::trunc);
    out << "// Made by make_resources (resources/make_resources.cpp) at build time; not to be edited.\n"
        << "#include \"resources/program_resources.h\"\n\n";
    writeArray(out, "bannerBitmap", "bannerPixels", 315, 100, bannerBytes);
    writeArray(out, "programIcon32", "icon32Pixels", 32, 32, icon32Bytes);
    writeArray(out, "programIcon16", "icon16Pixels", 16, 16, icon16Bytes);
    if (!out) {
        std::fprintf(stderr, "make_resources: cannot write %s\n", argv[2]);
        return 1;
    }

    std::string dir = argv[3];
    bool pngs = stbi_write_png((dir + "/banner.png").c_str(), 315, 100, 4, bannerBytes.data(), 315 * 4) &&
                stbi_write_png((dir + "/icon32.png").c_str(), 32, 32, 4, icon32Bytes.data(), 32 * 4) &&
                stbi_write_png((dir + "/icon16.png").c_str(), 16, 16, 4, icon16Bytes.data(), 16 * 4) &&
                stbi_write_png((dir + "/icon128.png").c_str(), 128, 128, 4, icon128Bytes.data(), 128 * 4);
    if (!pngs) {
        std::fprintf(stderr, "make_resources: cannot write the PNG copies into %s\n", dir.c_str());
        return 1;
    }
    if (!writeFile(dir + "/banner.bmp", bitmapFile(bannerBytes, 315, 100)) ||
        !writeFile(dir + "/program.ico", iconFile(icon32Bytes, icon16Bytes))) {
        std::fprintf(stderr, "make_resources: cannot write the Windows resource files into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
