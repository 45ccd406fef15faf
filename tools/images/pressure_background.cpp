// pressureimages - writes "anim4.jpg", the still background of the "pressure" streaks.
//
//   pressureimages OUTPUT_DIR
//
// A deep indigo field that rises to a soft violet glow about the centre, where the streak cloud
// turns, with slow clouds of gas, a faint magenta drift and a warm amber ember low on the right,
// under a vignette. It stays dark (the brightest pixel is well under half scale) so that the
// dim additive violet streaks and their glow read against it. The picture reaches the screen
// stretched from a square to 16:9, so it is composed in picture units (kPictureAspect wide, 1
// high, centred on 0; y up) and comes out round. Deterministic: the same bytes every build.
#include "content.h"
#include "noise.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

using imagegen::Color;
using imagegen::mix;
using imagegen::smoothstep;

const Color kNight{0.010f, 0.008f, 0.032f};
const Color kIndigo{0.075f, 0.050f, 0.230f};
const Color kViolet{0.300f, 0.170f, 0.620f};
const Color kLilac{0.560f, 0.420f, 0.900f};
const Color kMagenta{0.520f, 0.090f, 0.330f};
const Color kAmber{0.700f, 0.360f, 0.090f};

float gaussian(float x, float y, float cx, float cy, float width)
{
    float dx = x - cx, dy = y - cy;
    return std::exp(-(dx * dx + dy * dy) / width);
}

Color backgroundAt(float x, float y)
{
    float r = std::sqrt(x * x + y * y);
    // Slow gas, pushed along a second field so that it curls around the centre.
    float qx = imagegen::fbm(1.3f * x + 5.2f, 1.3f * y - 2.1f, 401, 4);
    float qy = imagegen::fbm(1.3f * x - 3.7f, 1.3f * y + 6.4f, 402, 4);
    float gas = imagegen::fbm(2.1f * x + 1.4f * qx, 2.1f * y + 1.4f * qy, 403, 6, 0.55f);
    float cloud = smoothstep(-0.25f, 0.8f, gas);

    float glow = gaussian(x, y, 0.0f, 0.02f, 0.09f);
    float core = gaussian(x, y, 0.0f, 0.02f, 0.012f);
    float halo = std::exp(-r / 0.38f);

    Color c = mix(kNight, kIndigo, smoothstep(1.05f, 0.15f, r));
    c = c + mix(kIndigo, kViolet, cloud) * (0.55f * cloud * (0.35f + 0.9f * halo));
    c = c + kViolet * (0.42f * glow) + kLilac * (0.16f * core);

    // A faint magenta drift through the upper left and a warm ember low on the right.
    float drift = smoothstep(0.1f, 0.7f, imagegen::fbm(0.8f * x - 9.0f, 0.8f * y + 3.0f, 404, 3) - 0.35f * x + 0.3f * y);
    c = c + kMagenta * (0.10f * drift * cloud);
    float ember = gaussian(x, y, 0.58f, -0.30f, 0.05f) * (0.6f + 0.4f * cloud);
    c = c + kAmber * (0.10f * ember);

    // The edges fall to near black.
    float vignette = 1.0f - 0.8f * smoothstep(0.25f, 1.05f, std::sqrt(x * x * 0.55f + y * y * 1.7f));
    return c * vignette;
}

imagegen::Image makePressureBackground(int size)
{
    imagegen::Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            // Row 0 is the top of the picture (the screen quad shows the file upright).
            float x = ((col + 0.5f) / size - 0.5f) * imagegen::kPictureAspect;
            float y = 0.5f - (row + 0.5f) / size;
            image.set(col, row, backgroundAt(x, y), 1.0f);
        }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pressureimages OUTPUT_DIR\n");
        return 2;
    }
    std::string path = std::string(argv[1]) + "/anim4.jpg";
    std::string bytes = imagegen::encodeJpeg(makePressureBackground(1024), 93);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "pressureimages: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
