// particle_panel.cpp - "particle.jpg", the face of the swarm's small boxes, and its generator.
//
//   particlegen OUTPUT_DIR
//
// Every face of every box carries the whole image, multiplied by the box's magenta or blue, and
// the "parti" composite turns the dark of a face transparent and spreads the bright into a halo.
// So the panel is a light, not a surface: a small white-hot core, a wide soft falloff tinted
// lavender, and a faint violet glow at the edges, so a box reads as a glowing cell without an
// outline. The colours stay close to white so the boxes keep their own tint.
#include "image.h"
#include "noise.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace imagegen {

namespace {

const int kPanelSize = 64;
const float kCoreRadius = 0.35f; // in half widths
const float kHazeRadius = 0.75f; // in half widths

const Color kGlass = {0.12f, 0.06f, 0.16f};
const Color kHaze = {0.8f, 0.62f, 0.95f};
const Color kCore = {1.0f, 0.93f, 0.82f};

} // namespace

Image makeParticlePanel(int size)
{
    Image image(size, size);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            // -1..1 across the panel, 0 at its centre.
            float u = 2 * (col + 0.5f) / size - 1, v = 2 * (row + 0.5f) / size - 1;
            float r2 = u * u + v * v;
            float core = std::exp(-r2 / (kCoreRadius * kCoreRadius));
            float haze = std::exp(-r2 / (kHazeRadius * kHazeRadius));
            float mottle = 0.85f + 0.3f * (0.5f + 0.5f * fbm(3 * u, 3 * v, 613, 3));
            Color c = kGlass * (0.35f * mottle) + kHaze * (0.6f * haze) + kCore * (0.9f * core);
            // Soft shoulder: the core saturates instead of clipping flat.
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
