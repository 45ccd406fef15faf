// content.h - the opening's images: the sphere normal map, the background, the smoke puffs,
// the title and the credit cards, and the list of files the generator writes.
//
// Layers drawn full screen through a square render target reach a 16:9 picture stretched
// sideways, so the background and the puffs are shaped in picture units (kPictureAspect
// wide per unit high) and come out round on screen; the title and the cards, drawn over the
// whole picture from 2:1 images, are lettered kLetterStretch wider for the same reason.
#pragma once

#include "image.h"

#include <string>
#include <vector>

namespace imagegen {

constexpr float kPictureAspect = 16.0f / 9.0f;
constexpr float kLetterStretch = 2.0f / kPictureAspect; // for 2:1 images

// A TrueType font file held in memory; `valid` is false when it cannot be read or parsed.
struct Font {
    std::string bytes;
    bool valid = false;
    explicit Font(const std::string& path);
};

struct Fonts {
    Font light;   // the title and the large lines
    Font regular; // the small lines, which need more weight to stay legible
};

// The normal map of a sphere filling a size x size image: RGB = 0.5 + 0.5 n with n in the
// sprite's own axes (x right, y up the image, z towards the viewer), alpha 1 inside the disc
// and 0 outside with a one-pixel antialiased edge.
Image makeSphereNormals(int size);

// The deep blue-violet nebula behind the spheres.
Image makeBackground(int size);

// Soft smoke puff number `variant` (1..4) on black, zero towards the edges.
Image makeSmoke(int variant, int size);

// "Sublumen", light on black with a soft glow, alpha = coverage.
Image makeTitle(const Fonts& fonts, int width, int height);

// Credit card `number` (1..8): light text on black inside the centre 60 % of the image,
// alpha = coverage with a faint dark halo around the letters.
Image makeCreditCard(const Fonts& fonts, int number, int width, int height);
constexpr int kCreditCardCount = 8;

struct ImageFile {
    std::string name;
    std::string bytes;
};

// Every image of the opening, by file name, encoded.
std::vector<ImageFile> makeAllImages(const Fonts& fonts);

} // namespace imagegen
