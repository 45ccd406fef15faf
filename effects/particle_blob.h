// particle_blob.h - the opening effect ("waterblobs", 0 to 96150 ms): a thousand normal-mapped
// sphere sprites, softly blurred and lit as water-like blobs over a background of a still image,
// wandering glowing worm trails and drifting smoke; over it the title with light shafts and a
// black veil during the first ninth, then eight credits, one per ninth of the span.
//
// The worms (a fixed-step simulation and their trail drawing) are shared with the flock effect.
#pragma once

#include "engine_api.h"

class StepTimer;

struct BlobParticle {
    BRAVIK_LUMENVAT::Vector position;
};

// A wandering point that leaves a trail: a ring of its last 100 positions.
struct Worm {
    BRAVIK_LUMENVAT::Vector position;
    float heading = 0;                          // radians
    BRAVIK_LUMENVAT::Vector* trail = nullptr;   // 100 entries; entry head % 100 is the newest
    int head = 0;                               // steps since the last respawn
    int turnTimer = 0;
};

constexpr int kBlobParticleCount = 1000;
constexpr int kWormCount = 40;
constexpr int kWormTrailLength = 100;

// Made by ParticleBlob::init; written and read by ParticleBlob alone.
extern BlobParticle* blobParticles;
// The worm trails. Made by ParticleBlob::init; stepped by updateWorms on the step timers of
// ParticleBlob and of Flock (so Flock takes them over where the opening left them); drawn by
// drawWorms from both.
extern Worm* worms;
// Steps taken by updateWorms since the start (written there only); it seeds each step's turns.
extern int wormStepCount;
// The opening's eye of the frame, written by ParticleBlob's render before it sorts the blobs by
// their distance to it.
extern BRAVIK_LUMENVAT::Vector cameraEye;
extern const char* const creditImages[9];

// One simulation step of all worms.
void updateWorms();
// The trails, in the current 2-D projection; the first argument is not used.
void drawWorms(float unused, float alphaScale);
void placeBlobParticle(float p, int index);
// qsort order: farthest from cameraEye first.
int compareByCameraDistance(const void* a, const void* b);

// What the title and credit overlay shows at effect position p.
struct BlobOverlay {
    bool titleShown = false; // the veil, shafts and title (first two ninths)
    float veilAlpha = 0;
    float titleGlow = 0;
    float shaftFade = 0;
    int credit = 0;          // index into creditImages; 0 when no credit is shown
    float creditAlpha = 0;
    float creditU = 0;       // texture offsets of the credit
    float creditV = 0;
    float progress = 0;      // r: progress within the current ninth
};
BlobOverlay blobOverlayAt(float p);

class ParticleBlob : public BRAVIK_LUMENVAT::Base {
public:
    ParticleBlob();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;

    StepTimer* stepTimer;

private:
    void drawSphereLayer(const BRAVIK_LUMENVAT::Vector3& right, const BRAVIK_LUMENVAT::Vector3& up);
    void blurSphereLayer();
    void drawBackgroundLayer(float p);
    void composite(float fade);
    void drawOverlay(float p);
};
