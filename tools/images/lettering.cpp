// lettering.cpp - the title and the credit cards, lettered with stb_truetype.
//
// Both are drawn over the whole 16:9 picture from 2:1 images, so every glyph is rasterised
// kLetterStretch wider than its font says. Colours are kept as light and coverage: the effect
// blends them with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), so a pixel adds rgb * alpha of light
// and lets 1 - alpha of the picture through.
#include "content.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

namespace imagegen {

Font::Font(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    stbtt_fontinfo info;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    valid = !bytes.empty() && stbtt_GetFontOffsetForIndex(data, 0) >= 0 &&
            stbtt_InitFont(&info, data, stbtt_GetFontOffsetForIndex(data, 0));
}

namespace {

const Color kTextWhite{0.94f, 0.95f, 1.0f};
const Color kLabelLavender{0.66f, 0.70f, 1.0f};
const Color kDetailGrey{0.74f, 0.76f, 0.88f};
const Color kGlowBlue{0.35f, 0.43f, 0.95f};

std::vector<int> decodeUtf8(const std::string& text)
{
    std::vector<int> codepoints;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int length = c < 0x80 ? 1 : (c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4));
        int cp = length == 1 ? c : c & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        codepoints.push_back(cp);
        i += length;
    }
    return codepoints;
}

// One run of text in one font at one size; `tracking` is extra space between letters in em.
struct TextStyle {
    const Font* font;
    float em;       // em size in image pixels (vertically)
    float tracking; // in em
};

class Typesetter {
public:
    explicit Typesetter(const TextStyle& style) : style(style)
    {
        const auto* data = reinterpret_cast<const unsigned char*>(style.font->bytes.data());
        stbtt_InitFont(&info, data, stbtt_GetFontOffsetForIndex(data, 0));
        scale = stbtt_ScaleForMappingEmToPixels(&info, style.em);
    }

    // Advance width of `text` in image pixels, stretch included, without the trailing tracking.
    float measure(const std::string& text) const
    {
        std::vector<int> cps = decodeUtf8(text);
        float width = 0.0f;
        for (size_t i = 0; i < cps.size(); ++i)
            width += advance(cps, i) + (i + 1 < cps.size() ? trackingPixels() : 0.0f);
        return width;
    }

    // Draws `text` centred on `centreX` with its baseline on row `baseline`, into `coverage`
    // (coverage adds up and saturates at 1 where glyphs touch).
    void draw(Plane& coverage, const std::string& text, float centreX, float baseline) const
    {
        std::vector<int> cps = decodeUtf8(text);
        float pen = centreX - 0.5f * measure(text);
        for (size_t i = 0; i < cps.size(); ++i) {
            drawGlyph(coverage, cps[i], pen, baseline);
            pen += advance(cps, i) + trackingPixels();
        }
    }

    float ascent() const { return metric(0); }
    float descent() const { return metric(1); }

private:
    float trackingPixels() const { return style.tracking * style.em * kLetterStretch; }

    float advance(const std::vector<int>& cps, size_t i) const
    {
        int advanceWidth = 0, leftBearing = 0;
        stbtt_GetCodepointHMetrics(&info, cps[i], &advanceWidth, &leftBearing);
        int kern = i + 1 < cps.size() ? stbtt_GetCodepointKernAdvance(&info, cps[i], cps[i + 1]) : 0;
        return (advanceWidth + kern) * scale * kLetterStretch;
    }

    float metric(int which) const
    {
        int a = 0, d = 0, gap = 0;
        stbtt_GetFontVMetrics(&info, &a, &d, &gap);
        return (which == 0 ? a : -d) * scale;
    }

    void drawGlyph(Plane& coverage, int cp, float penX, float baseline) const
    {
        float sx = scale * kLetterStretch, sy = scale;
        float whole = std::floor(penX), shift = penX - whole;
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, cp, sx, sy, shift, 0.0f, &x0, &y0, &x1, &y1);
        int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0)
            return;
        std::vector<unsigned char> bitmap(static_cast<size_t>(w) * h);
        stbtt_MakeCodepointBitmapSubpixel(&info, bitmap.data(), w, h, w, sx, sy, shift, 0.0f, cp);
        int left = static_cast<int>(whole) + x0, top = static_cast<int>(std::lround(baseline)) + y0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int px = left + x, py = top + y;
                if (px < 0 || py < 0 || px >= coverage.width || py >= coverage.height)
                    throw std::runtime_error("lettering runs off the image");
                float& c = coverage.at(px, py);
                c = std::min(1.0f, c + bitmap[static_cast<size_t>(y) * w + x] / 255.0f);
            }
    }

    TextStyle style;
    stbtt_fontinfo info;
    float scale = 1.0f;
};

// Light and coverage of the lettering, colour by colour, before it becomes an image.
struct Layer {
    Plane coverage;
    Color color;
};

Image compose(const std::vector<Layer>& layers, const Plane& glow, Color glowColor, const Plane& shade)
{
    int width = layers.front().coverage.width, height = layers.front().coverage.height;
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Premultiplied: the lettering over its glow, over a dark shade of the picture.
            Color light;
            float alpha = 0.0f;
            for (const Layer& layer : layers) {
                float c = layer.coverage.at(x, y);
                light = light * (1.0f - c) + layer.color * c;
                alpha = alpha * (1.0f - c) + c;
            }
            if (glow.width) {
                Color g = glowColor * glow.at(x, y);
                light = light + g * (1.0f - alpha);
                alpha = alpha + std::min(1.0f, std::max({g.r, g.g, g.b})) * (1.0f - alpha);
            }
            if (shade.width)
                alpha = alpha + shade.at(x, y) * (1.0f - alpha);
            alpha = clamp01(alpha);
            if (alpha <= 0.0f)
                continue; // black, and fully transparent
            image.set(x, y, {clamp01(light.r / alpha), clamp01(light.g / alpha), clamp01(light.b / alpha)}, alpha);
        }
    return image;
}

} // namespace

Image makeTitle(const Fonts& fonts, int width, int height)
{
    Plane letters(width, height);
    Typesetter title({&fonts.light, 0.215f * height, 0.16f});
    float baseline = 0.5f * height + 0.5f * (title.ascent() * 0.72f);
    title.draw(letters, "Sublumen", 0.5f * width, baseline);

    // Two glows, a tight one that makes the strokes shine and a wide faint one that lights the
    // dark around them, and a thin horizontal gleam through the middle of the word.
    Plane near = gaussianBlur(letters, 0.012f * height);
    Plane wide = gaussianBlur(letters, 0.06f * height);
    Plane glow(width, height);
    float middle = baseline - 0.36f * title.ascent() * 0.72f;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float dx = (x - 0.5f * width) / (0.36f * width), dy = (y - middle) / (0.006f * height);
            float gleam = std::exp(-dx * dx - dy * dy) * 0.22f *
                          (1.0f - smoothstep(0.3f * width, 0.42f * width, std::fabs(x - 0.5f * width)));
            glow.at(x, y) = 0.9f * near.at(x, y) + 1.3f * wide.at(x, y) + gleam;
        }
    return compose({{letters, kTextWhite}}, glow, kGlowBlue, Plane());
}

namespace {

struct Entry {
    const char* name;
    const char* detail; // may be empty
};

struct Card {
    const char* label;
    std::vector<Entry> entries; // side by side
};

// Indexed by file number; the effect shows them in the order 1, 2, 3, 7, 6, 4, 5, 8.
const Card kCards[kCreditCardCount] = {
    {"A REAL-TIME PRODUCTION", {{"in light and sound", "rendered live, in step with its music"}}},
    {"CODE", {{"C++ and GLSL", "engine, effects and tools, written for this production"}}},
    {"MUSIC", {{"composed by its own generator", "a tracker module, made at build time"}}},
    {"BUILT WITH", {{"PhysicsFS", "the data archive"}, {"TinyXML", "scenes and materials"}}},
    {"BUILT WITH", {{"stb", "images and lettering"}, {"kissfft", "the music\xE2\x80\x99s spectrum"}, {"GTK", "the setup dialog"}}},
    {"BUILT WITH", {{"SDL2", "window, input and sound"}, {"libopenmpt", "module playback"}}},
    {"GRAPHICS", {{"made by its own generators", "every image and the scene, computed at build time"}}},
    {"WITH THANKS", {{"to the authors of free software", "and to you, for watching"}}},
};

// The shade's blur; the layout keeps the lettering this far inside the centre 60 %.
float shadeSigma(int height)
{
    return 0.012f * height;
}

} // namespace

Image makeCreditCard(const Fonts& fonts, int number, int width, int height)
{
    const Card& card = kCards[(number - 1) % kCreditCardCount];
    int reach = blurReach(shadeSigma(height)) + 2;
    float boxLeft = 0.2f * width + reach, boxRight = 0.8f * width - reach;

    // A row too wide for the box shrinks: the names where a name is what makes it wide, else
    // the details.
    float unit = 0.001f * height, gap = 90.0f * unit;
    float nameFit = 1.0f, detailFit = 1.0f;
    for (;;) {
        Typesetter name({&fonts.light, 74.0f * unit * nameFit, 0.02f});
        Typesetter detail({&fonts.regular, 32.0f * unit * detailFit, 0.03f});
        float rowWidth = gap * (card.entries.size() - 1);
        bool nameWidest = false;
        for (const Entry& e : card.entries) {
            float n = name.measure(e.name), d = detail.measure(e.detail);
            rowWidth += std::max(n, d);
            nameWidest = nameWidest || n >= d;
        }
        if (rowWidth <= boxRight - boxLeft)
            break;
        (nameWidest ? nameFit : detailFit) *= 0.97f;
    }

    Typesetter label({&fonts.regular, 30.0f * unit, 0.32f});
    Typesetter name({&fonts.light, 74.0f * unit * nameFit, 0.02f});
    Typesetter detail({&fonts.regular, 32.0f * unit * detailFit, 0.03f});
    if (label.measure(card.label) > boxRight - boxLeft)
        throw std::runtime_error("credit label too wide");

    // Rows: the label, a short rule, the names, the details; centred as a block.
    float labelToRule = 46.0f * unit, ruleToName = 70.0f * unit + name.ascent() * 0.7f;
    float nameToDetail = 64.0f * unit;
    float blockTop = 0.0f - label.ascent() * 0.7f;
    float blockBottom = labelToRule + ruleToName + nameToDetail + detail.descent();
    float origin = 0.5f * height - 0.5f * (blockTop + blockBottom);
    float labelBaseline = origin, ruleRow = origin + labelToRule, nameBaseline = ruleRow + ruleToName;
    float detailBaseline = nameBaseline + nameToDetail;

    Plane labels(width, height), names(width, height), details(width, height);
    label.draw(labels, card.label, 0.5f * width, labelBaseline);
    float ruleHalf = 0.035f * width;
    for (int x = static_cast<int>(0.5f * width - ruleHalf); x < static_cast<int>(0.5f * width + ruleHalf); ++x) {
        float fadeOut = std::max(0.0f, 1.0f - std::fabs((x - 0.5f * width) / ruleHalf));
        labels.at(x, static_cast<int>(ruleRow)) = 0.6f * std::sqrt(fadeOut);
    }

    float rowWidth = 0.0f;
    std::vector<float> columns;
    for (const Entry& e : card.entries) {
        columns.push_back(std::max(name.measure(e.name), detail.measure(e.detail)));
        rowWidth += columns.back();
    }
    rowWidth += gap * (card.entries.size() - 1);
    float x = 0.5f * width - 0.5f * rowWidth;
    for (size_t i = 0; i < card.entries.size(); ++i) {
        float centre = x + 0.5f * columns[i];
        name.draw(names, card.entries[i].name, centre, nameBaseline);
        detail.draw(details, card.entries[i].detail, centre, detailBaseline);
        x += columns[i] + gap;
    }

    Plane all(width, height);
    for (size_t i = 0; i < all.values.size(); ++i)
        all.values[i] = std::min(1.0f, labels.values[i] + names.values[i] + details.values[i]);
    Plane shade = gaussianBlur(all, shadeSigma(height));
    for (float& s : shade.values)
        s = std::min(0.45f, 1.6f * s);
    return compose({{labels, kLabelLavender}, {details, kDetailGrey}, {names, kTextWhite}}, Plane(), Color(), shade);
}

} // namespace imagegen
