// helpers.h - small pieces every effect draws with: the fixed-step pacer, the music-level
// follower, the tempo clock, a point list, easing curves, the shared pseudo-random generator and
// the C library generator the effects rely on, and two geometry helpers.
//
// Reproducibility matters here: effects reseed both generators with fixed seeds, and every
// helper that draws several numbers draws them in a fixed order, so the same position always
// gives the same frame.
#pragma once

#include "engine_api.h"

#include <cstddef>
#include <vector>

using BRAVIK_LUMENVAT::Vector;
using BRAVIK_LUMENVAT::Vector3;

// Turns the module clock into whole simulation steps of `step` ms, at most `maxSteps` per frame.
class StepTimer {
public:
    StepTimer(int step, int maxSteps);

    // Once per rendered frame: adds the (absolute) position change to the accumulator, capped.
    void advance();
    bool due() const;
    void consume();
    int frameCount() const;

    int lastDelta = 0;
    int lastPosition = 0;
    int accumulator = 0;
    int step;
    int maxSteps;
    int frames = 0;
};

// A peak follower over the music spectrum: jumps up to the recent mean, falls at 35 per second.
class BeatMeter {
public:
    explicit BeatMeter(int historyLength);

    float sample();
    float level();

    int historyLength;
    std::vector<float> history;
    float currentLevel = 0;
};

// The tempo clock: pulse() is 1 on each beat and falls linearly to 0 before the next.
class BeatClock {
public:
    BeatClock(float beatsPerMinute, int offsetMicroseconds);

    float pulse();
    int beatIndex();

    float beatsPerMinute;
    int offset;
    int index = 0;
    int lastPhase = 0;
    int beatFlag = 0;

private:
    int period() const;
};

// Points collected one by one, then frozen into a fixed array.
class PointList {
public:
    PointList() = default;
    PointList(const PointList&) = delete;
    PointList& operator=(const PointList&) = delete;
    ~PointList();

    void add(const Vector3& point);
    void bake();
    void reset();
    void release();

    int count = 0;
    Vector3* points = nullptr;
    std::vector<Vector3> pending;
};

// Made by the demo's start-up (after the effects are registered, before their init) and kept
// until the process ends. Every effect reads them while it draws: beatMeter's level falls on
// each level() call and sample() feeds it the spectrum, so the number and order of the calls in
// a frame are part of the picture; beatClock keeps the beat index that pulse() last saw.
extern BeatMeter* beatMeter;
extern BeatClock* beatClock;

float linearStep(float x, float edge0, float edge1);
float cosineStep(float x, float edge0, float edge1);
float smoothStep(float x, float edge0, float edge1);
float clampf(float x, float lo, float hi);
float minf(float a, float b);
float absf(float x);

// The shared generator (state initially 93186752).
unsigned setRandomSeed(unsigned seed);
float randomUnit();
float randomRange(float a, float b);
float randomScaled(float x);
Vector randomCentered();
Vector randomInBox(float sx, float sy, float sz);
Vector randomVector();

Vector sphericalToCartesian(float r, float theta, float phi);
// The GL name of an archive texture. Where the archive lacks it (or could not decode it), a 1x1
// texture of transparent black, made at the first such call: the missing image's quads then add
// nothing under blending and show black where they replace the picture, instead of being drawn
// untextured in their plain colour (white slabs over the show).
unsigned textureIdOf(const char* name);
// The camera's right, up and back axes in world space, from the current modelview matrix.
void getBillboardAxes(Vector3& right, Vector3& up, Vector3& back);

// The C library generator the effects were tuned with: state = state * 214013 + 2531011,
// result (state >> 16) & 0x7FFF, initial state 1. glibc's rand() gives another sequence, so the
// system carries its own.
namespace crt {
void srand(unsigned seed);
int rand();
// Sets every byte to rand() % 255 (0 to 254), one call per byte in order, and leaves the generator
// where those calls leave it; many times faster than the calls themselves.
void fillModulo255(unsigned char* bytes, size_t count);
} // namespace crt
