// skene1.h - the night water ("skene1", 178250 to 219500 ms): the shared scene standing over a
// patch of dark water, with a moon, large drifting smoke puffs and glinting dust. Everything is
// drawn twice, once mirrored through the water plane into texture1024B and once normally; then
// the water quad is shaded by the "water" program from that reflection and a normal map that a
// ripple simulation, fed by regular drops, computes on the processor.
//
// The ripples advance in whole 25 ms steps of the module clock (at most five a frame) and are the
// effect's only state between frames; the camera, the puffs and the dust are functions of p and
// fixed seeds. The scene is lit by the second light pattern (sceneLightPhase = p + 1).
#pragma once

#include "engine_api.h"
#include "render/gl_extensions.h"

#include <vector>

class StepTimer;

// A 2-D height field of n x n cells (row-major, index x + n * y) with the two time levels of a
// damped wave, and the RGB normal map computed from it.
class WaterRipple {
public:
    static constexpr int kSize = 256;

    explicit WaterRipple(int size = kSize);
    WaterRipple(const WaterRipple&) = delete;
    WaterRipple& operator=(const WaterRipple&) = delete;

    // The normal-map texture (linear, clamped, RGB of n x n), all texels 0. Needs a GL context.
    void createTexture();
    // One damped wave step over the interior (rows and columns 1 .. n-3; n-2 and n-1 are never
    // written), then the time levels rotate: the new heights become current.
    void step();
    // The eight drops of the frame numbered `frameCount`: `previous` = 255 at rows 48..192 and
    // columns 98 and 151, every index clamped into the field.
    void drop(int frameCount);
    // The normal map of the `previous` heights (one step behind `current`, each truncated toward
    // zero) into `normalMap`, on the processor only.
    void computeNormalMap();
    // computeNormalMap, then the whole buffer uploaded into `texture` (where one was created).
    void updateNormalMap();

    float& currentAt(int x, int y) { return current[x + n * y]; }
    float& previousAt(int x, int y) { return previous[x + n * y]; }
    const unsigned char* texel(int x, int y) const { return &normalMap[3 * (x + n * y)]; }

    int n;
    std::vector<float> current, previous, scratch;
    std::vector<unsigned char> normalMap; // n * n * 3 bytes; texels outside 1 .. n-3 stay 0
    GLuint texture = 0;
};

// 1 / sqrt(x) by the published bit trick and one Newton step (relative error under 0.18 %).
float fastInvSqrt(float x);

// The row and column of drop i (0..7) in the frame numbered `frameCount`, clamped to 0..255.
int dropRow(int frameCount, int i);
int dropColumn(int i);

// Runs the ripple steps that `timer` owes (advanced by the caller this frame), with the drops on
// every fourth frame, then recomputes and uploads the normal map. A frame that owes no step
// leaves the normal map and its texture untouched; returns whether any step ran.
bool runRippleSteps(StepTimer& timer, WaterRipple& ripple);

// The slow wandering of a puff about its centre c at time t (0.05 p).
BRAVIK_LUMENVAT::Vector puffWobble(float t, const BRAVIK_LUMENVAT::Vector& c);

constexpr int kSkenePuffCount = 50;

// The camera of the current frame, placed by placeSkeneCamera from the effect's render.
extern BRAVIK_LUMENVAT::Vector3 skeneEye, skeneTarget, skeneUp;
// The puff centres, filled by Skene1's init from the shared generator.
extern BRAVIK_LUMENVAT::Vector* skenePuffs;
extern int skenePuffCount;

// The camera at p: sliding from z 40 to 44 and swinging sideways, its target sliding from z 30 to 42.
void placeSkeneCamera(float p);
// Identity, then the look-at of skeneEye, skeneTarget, skeneUp.
void applySkeneCamera();
// The scene, moon, puffs and dust in the current view; `reflection` flips the moon's rows.
void drawSkenePass(float p, float fade, bool reflection);
// The pass mirrored through the plane y = 0 and clipped to it, into texture1024B.
void drawSkeneReflection(float p, float fade);

class Skene1 : public BRAVIK_LUMENVAT::Base {
public:
    Skene1();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;

    WaterRipple* ripple = nullptr;
    StepTimer* stepTimer;

private:
    void drawWater(float p);
};
