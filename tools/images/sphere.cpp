// sphere.cpp - the sphere sprite's normal map.
//
// The effect draws it with an alpha test at 0.9 and texture (0, 1) at the sprite's lower-left
// corner, so row 0 is the top of the sprite: the normal's y grows towards row 0.
#include "content.h"

#include <cmath>

namespace imagegen {

Image makeSphereNormals(int size)
{
    Image image(size, size);
    float centre = 0.5f * size;
    float radius = 0.5f * size - 1.0f; // keeps the antialiased rim inside the image
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f - centre) / radius;
            float dy = (centre - (y + 0.5f)) / radius;
            float r = std::sqrt(dx * dx + dy * dy);
            // Past the rim the normal stays the rim's (z = 0), so linear filtering at the edge
            // never mixes in anything but sphere normals.
            float nx = dx, ny = dy, nz = 0.0f;
            if (r < 1.0f)
                nz = std::sqrt(1.0f - r * r);
            else if (r > 0.0f)
                nx = dx / r, ny = dy / r;
            float coverage = clamp01((1.0f - r) * radius + 0.5f);
            image.set(x, y, {0.5f + 0.5f * nx, 0.5f + 0.5f * ny, 0.5f + 0.5f * nz}, coverage);
        }
    return image;
}

} // namespace imagegen
