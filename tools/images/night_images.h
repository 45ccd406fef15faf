// night_images.h - the night water's images: "moon.jpg", a pale moon with a faint halo on black,
// and "sphere_heightmap.png", the height map of a sphere.
#pragma once

#include "image.h"

#include <string>
#include <vector>

namespace imagegen {

// The moon filling the centre of a size x size image: a disc of radius 0.2 size with maria,
// craters and a darkened limb, inside a blue-violet halo that is exactly black from 0.46 size
// out (the effect adds it over the scene, so black is no light at all).
Image makeMoon(int size);

// A hemisphere's height over a size x size image: grey sqrt(1 - r^2) inside the disc touching the
// edges, 0 outside, antialiased over one pixel at the rim.
Image makeSphereHeightmap(int size);

struct NightFile {
    std::string name;
    std::string bytes;
};
std::vector<NightFile> makeNightImages();

} // namespace imagegen
