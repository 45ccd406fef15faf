// immediate_streaks.h - the streak effects' lines drawn the plain immediate-mode way, one colour
// call per line: the reference that their vertex batch is checked and timed against.
#pragma once

#include "effects/fluid.h"

#include <GL/gl.h>

namespace testsupport {

// "pressure" colours when `scene` is false, "pressure2" colours (with that green) when true.
inline void drawImmediateStreaks(const Tracers& tracers, float length, bool scene, unsigned char green)
{
    glBegin(GL_LINES);
    for (int t = 0; t < kTracerCount; ++t) {
        unsigned char c = static_cast<unsigned char>(t);
        int o = 3 * t;
        if (!scene && c % 64 == 0)
            glColor3f(0.89f, 0.136f, 0.45f);
        else if (!scene)
            glColor3ub(8, static_cast<unsigned char>(4 * (o & 3)), 18);
        else if (c % 8 != 0)
            glColor3ub(static_cast<unsigned char>(3 * (o & 3) + 8), 7, 23);
        else
            glColor3ub(static_cast<unsigned char>(2 * (o & 3) + 17), 21, green);
        const float* p = &tracers.positions[o];
        const float* v = &tracers.velocities[o];
        glVertex3f(p[0] - 0.5f, p[1] - 0.5f, p[2] - 0.5f);
        glVertex3f(p[0] - 0.5f + length * v[0], p[1] - 0.5f + length * v[1], p[2] - 0.5f + length * v[2]);
    }
    glEnd();
}

} // namespace testsupport
