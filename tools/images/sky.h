// sky.h - "anim3.jpg", the flock's sky: a soft, luminous dusk in the production's palette, bright
// enough that the flock's dark, fogged ribbons stand out against it.
#pragma once

#include "image.h"

namespace imagegen {

// The sky over the whole picture, composed in picture units (kPictureAspect wide, 1 high); the
// image's row 0 is the top of the picture (the flock draws it unflipped).
Image makeFlockSky(int width, int height);

} // namespace imagegen
