// particle_panel.cpp - "particle.jpg", the face of the swarm's small boxes, and its generator.
//
//   particlegen OUTPUT_DIR
//
// Every face of every box carries the whole image, multiplied by the box's magenta or blue, and
// the swarm is laid over the scene opaque wherever a box was drawn. So the panel is bright where
// it should read as light: a sharp glowing rim (brightest at the corners, where two edges meet)
// and a soft core, with a dim violet, faintly mottled glass between them. The colours stay close
// to white so the boxes keep their own tint; the rim leans to lavender, the core to warm amber.
#include "image.h"
#include "noise.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace imagegen {

namespace {

const int kPanelSize = 64;
const float kRimWidth = 0.07f;   // in half widths of the panel
const float kRimGlow = 0.2f;     // how far the rim's glow reaches inward
const float kCoreRadius = 0.36f; // in half widths

const Color kGlass = {0.09f, 0.05f, 0.22f};
const Color kRim = {0.9f, 0.84f, 1.0f};
const Color kCore = {1.0f, 0.8f, 0.52f};

// Brightness of an edge at distance `inside` (0 on the edge) from it.
float edgeLight(float inside)
{
    float line = std::exp(-(inside / kRimWidth) * (inside / kRimWidth));
    return line + 0.35f * std::exp(-inside / kRimGlow);
}

} // namespace

Image makeParticlePanel(int size)
{
    Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            // -1..1 across the panel, 0 at its centre.
            float u = 2 * (col + 0.5f) / size - 1, v = 2 * (row + 0.5f) / size - 1;
            float rim = edgeLight(1 - std::fabs(u)) + edgeLight(1 - std::fabs(v));
            float core = std::exp(-(u * u + v * v) / (kCoreRadius * kCoreRadius));
            float mottle = 0.85f + 0.3f * (0.5f + 0.5f * fbm(3 * u, 3 * v, 613, 3));
            Color c = kGlass * mottle + kRim * (1.3f * rim) + kCore * (1.1f * core);
            // Soft shoulder: the rim's corners saturate instead of clipping flat.
            c = {1 - std::exp(-1.6f * c.r), 1 - std::exp(-1.6f * c.g), 1 - std::exp(-1.6f * c.b)};
            image.set(col, row, c * 1.12f, 1);
        }
    return image;
}

} // namespace imagegen

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: particlegen OUTPUT_DIR\n");
        return 2;
    }
    std::string path = std::string(argv[1]) + "/particle.jpg";
    std::string bytes = imagegen::encodeJpeg(imagegen::makeParticlePanel(imagegen::kPanelSize), 95);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "particlegen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
