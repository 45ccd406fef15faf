// pressure.h - the two fluid-streak effects: fifty thousand tracers carried by a small 3-D fluid
// (effects/fluid.h), drawn as short additive streaks and sent through the glow chain.
//
// "pressure2" (150825 to 178250 ms) draws the shared scene from a moving camera and over it a
// streak cloud that turns by beat section; "pressure" (231400 to 246800 ms) draws its streaks
// over the still image "anim4.jpg" and adds a radial blur. Every simulation step the fluid is
// stirred by 25 point forces whose pattern is a function of the beat (and, for "pressure2", of
// the position). Each effect owns its grid, tracers and clock; none is ever reset, so a frame
// continues from the one before. Both use the common 10 % fade draw() and ignore the fade value.
#pragma once

#include "effects/fluid.h"
#include "engine_api.h"
#include "render/effect_toolkit.h"

#include <memory>

class StepTimer;

// Every step's stirring: sources cleared, three draws of the shared generator discarded, the C
// library generator seeded with `seed`, then 25 forces at (r6, r5, r4) from (r3, r2, r1), each
// r = rand() mod 1000 drawn r1 first.
void stirFluid(FluidGrid& grid, unsigned seed, float magnitude);

// The streak batch of GL_LINES from each tracer's position - 0.5 to that plus `length` times its
// velocity, in tracer order. "pressure": every 64th streak bright magenta, the rest dim violet.
void collectPressureStreaks(const Tracers& tracers, VertexBatch& batch);
// "pressure2": dim blue-violet, every 8th streak brighter with a green that rises with `fog`.
void collectPressure2Streaks(const Tracers& tracers, float fog, VertexBatch& batch);

// What both streak effects hold: their own fluid, tracers and clock (made by init, kept for the
// life of the process and never reset) and the streak batch (its memory kept between frames).
class FluidStreaks : public BRAVIK_LUMENVAT::Base {
public:
    explicit FluidStreaks(float stepSeconds);
    bool init(unsigned long start, unsigned long end) override;
    // The common 10 % fade draw(); the effects ignore the fade value.
    void draw() override;

    StepTimer* stepTimer;
    std::unique_ptr<FluidGrid> grid;
    std::unique_ptr<Tracers> tracers;
    SimulationClock clock;

protected:
    VertexBatch streaks;
};

class Pressure : public FluidStreaks {
public:
    Pressure();
    void render(float position, float fade) override;

    // Adds `seconds` to the clock and runs every owed step, the forces seeded by `beatIndex`.
    // Returns the number of steps run.
    int simulate(float seconds, int beatIndex);
    void step(int beatIndex);

private:
    void drawBackground(float level);
};

class Pressure2 : public FluidStreaks {
public:
    Pressure2();
    void render(float position, float fade) override;

    // As Pressure::simulate; the forces follow the beat and p (frozen past p 0.96), and the
    // tracers' respawns follow the module position `ms`.
    int simulate(float seconds, float p, int beatIndex, int ms);
    void step(unsigned forceSeed, int ms);
    // The seed of the force pattern at position p and beat index b.
    static unsigned forceSeed(float p, int beatIndex);

    // Counts in floats over the position array but wraps at the tracer count, so the recycling
    // only ever visits the first 16667 tracers.
    int cursor = 0;

private:
    void recycleTracers();
    void drawScene(float p, int beat);
};
