// finale_images.h - the closing effect's images: "anim1.jpg", the swirl that turns behind the
// sprite column, and "envmap.png", the sky and horizon the column's normals reflect.
#pragma once

#include "content.h"

namespace imagegen {

// A square swirl: spiral arms of blue-violet and magenta gas with warm amber filaments round a
// glowing core, falling to black towards the rim (the effect turns it about its centre, so
// nothing outside the inscribed circle may draw the eye).
Image makeSwirl(int size);

// An environment in latitude-longitude layout (width = 2 height): row 0 is the zenith, the
// middle row the horizon, and the left and right edges meet seamlessly. A luminous sky from
// deep blue-violet to a magenta and amber horizon with a low sun and streaked clouds, a dark
// ridge along the horizon and a dim ground that mirrors the glow.
Image makeEnvironment(int height);

// Both images, by file name, encoded.
std::vector<ImageFile> makeFinaleImages();

} // namespace imagegen
