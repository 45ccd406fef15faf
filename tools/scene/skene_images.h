// skene_images.h - the images the scene and its effect use, painted from seeded noise:
//   anim5.jpg        the night sky behind the scene (512 x 512)
//   particle1.jpg    a soft round speck, white centre fading to black (128 x 128)
//   skene_stone.jpg  tileable stone for walls, pillars and arches (256 x 256)
//   skene_tiles.jpg  tileable floor tiles, two by two (256 x 256)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skene {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // rows top first

    void set(int x, int y, float r, float g, float b);
};

Image skyImage();
Image speckImage();
Image stoneImage();
Image tilesImage();

// JPEG bytes (quality 92).
std::vector<uint8_t> encodeJpeg(const Image& image);

} // namespace skene
