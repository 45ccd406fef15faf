// particles.h - the swarm ("blurparticles", 123400 to 150825 ms).
//
// The shared scene seen from a slowly drifting camera, and over it a swarm of small textured
// boxes streaming from fourteen source points to five attractors. The swarm is drawn into the
// depth target and laid over the scene where a box was drawn ("parti" composite), then a faint
// additive noise layer goes over everything. From the key change on (kKeyChangeCue) the swarm
// grows from 7 000 to 10 000 boxes and its colours and sizes invert. Brightness and flicker
// follow the music level.
//
// The particles keep their state across frames: each one, once its progress reaches 0.99, is
// reborn at the current position with its duration kept, so the stream never runs dry.
#pragma once

#include "engine_api.h"
#include "render/effect_toolkit.h"

class StepTimer;

// One box of the swarm; positions in scene units, times in the effect's position (0..1).
struct Particle {
    BRAVIK_LUMENVAT::Vector3 start; // where it is born
    BRAVIK_LUMENVAT::Vector3 end;   // where it is heading
    float startTime;
    float endTime;
    BRAVIK_LUMENVAT::Vector3 delta; // end - start
    float duration;                 // endTime - startTime
    float spare;                    // never read
};
static_assert(sizeof(Particle) == 52, "the particle record is 13 floats");

constexpr int kParticleCount = 10000;
constexpr int kEarlyParticleCount = 7000;

// Built by Particles::init, never freed; drawParticles moves respawned particles' times on.
extern Particle* particles;

// Fills every field of `particle` from where and when it runs.
void setParticle(Particle& particle, const BRAVIK_LUMENVAT::Vector3& start, const BRAVIK_LUMENVAT::Vector3& end,
                 float startTime, float endTime);
// A point on the unit sphere from two draws of the shared generator (u1, then u2).
BRAVIK_LUMENVAT::Vector3 randomOnSphere();
// How far `particle` has come at position p: 0 before its start, 1 after its end, smoothed.
float particleProgress(const Particle& particle, float p);
// The size a box has at progress m: it swells in over the first tenth, shrinks over the last 5 %.
float particleEnvelope(float m);

// How the swarm looks at a module position: before the key change 7 000 boxes of one size, one
// in eight magenta, the rest blue; from it on 10 000, the other way round, the blue eighth
// larger than the magenta rest.
struct SwarmLook {
    int count;
    bool late;
};
SwarmLook swarmLookAt(int ms);
// Colour (r, g, b) of box i.
void particleColor(int i, bool late, float rgb[3]);
// Half size of box i before the envelope.
float particleBaseSize(int i, bool late);
// Degrees box i has turned at position p, about the axis (1, 1, 1); box 0 and every eighth
// never turn.
float particleAngle(int i, float p);

// The six inward-facing faces of a box of half size `halfSize` centred on `position`, turned
// by `angleDegrees` about (1, 1, 1), into `batch` as GL_QUADS in the current colour: the same
// vertices, in the same order, as drawBox under a translate and a rotate.
void emitParticleBox(VertexBatch& batch, const BRAVIK_LUMENVAT::Vector3& position, float halfSize,
                     float angleDegrees);

class Particles : public BRAVIK_LUMENVAT::Base {
public:
    Particles();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;
    // The swarm at p, in the current projection and view; respawns particles that arrived.
    void drawParticles(float p);

    StepTimer* stepTimer;

private:
    void drawScene(float p, float a);
    void drawNoise(float level);

    VertexBatch boxes; // the frame's boxes, kept to reuse its memory
};
