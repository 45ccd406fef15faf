// flock.h - the flock ("crap", 219500 to 231400 ms): 800 boids in the unit cube, each trailing a
// twisted ribbon of its last 32 positions, seen from a camera that cuts on every second beat.
//
// A frame, in drawing order: the ribbons' depth ("renderdepth" into screenTexture1024), their
// fogged colours (texture1024C), ambient occlusion from that depth ("ssao" into texture1024B),
// the still sky "anim3.jpg", the worm trails shared with the opening, the ribbons laid over both
// with depth of field ("dof_flock"), and a radial blur that swells with the music.
//
// The boids step at a fixed 40 ms of frame time (their own accumulator); the worms at the
// StepTimer's 16 ms of module time. Both carry state from frame to frame.
#pragma once

#include "engine_api.h"

class StepTimer;

constexpr int kBoidCount = 800;
constexpr int kBoidTrailLength = 32;
constexpr int kFlockGridEdge = 5;        // cells per axis
constexpr float kFlockGridScale = 4.0f;  // cell index = floor(scale * coordinate); 1.0 lands in cell 4
constexpr float kFlockStepMs = 40.0f;
constexpr float kFlockMaxOwedMs = 400.0f;
// Trail entries whose x is below this mark a break in the ribbon.
constexpr float kTrailBreakBelow = -500.0f;

struct Boid {
    int head;                                   // index of the newest trail entry, 0..31
    BRAVIK_LUMENVAT::Vector position;           // inside [0, 1]^3
    BRAVIK_LUMENVAT::Vector trail[kBoidTrailLength]; // a ring; x < kTrailBreakBelow is a break
    BRAVIK_LUMENVAT::Vector velocity;
};

// The boids by cell, rebuilt after every step: slots[cell][0 .. count[cell] - 1].
struct FlockGrid {
    int count[kFlockGridEdge * kFlockGridEdge * kFlockGridEdge];
    Boid* slots[kFlockGridEdge * kFlockGridEdge * kFlockGridEdge][kBoidCount];
};

// Made by Flock::init and kept for the rest of the run; stepped only by Flock.
extern Boid* boids;
extern FlockGrid* flockGrid;
// Entry k turns (0, w, 0) about X by k / 32 of a turn: the ribbons' twist.
extern BRAVIK_LUMENVAT::Matrix4 flockRotations[kBoidTrailLength];
// Frame time owed to the boids, in ms (Flock::init sets it to 0).
extern float flockAccumulator;

// The cell of a position: x outermost, then y, then z.
int flockCellOf(int ix, int iy, int iz);
// Every boid into the cell of its position, in boid order.
void rebuildFlockGrid();
// One 40 ms step of one boid, against the grid as last rebuilt.
void updateBoid(Boid& b);
// One step of every boid in order, then the grid rebuilt.
void stepFlock();
// Adds a frame's time (seconds) to the accumulator, capped at 400 ms owed, and runs whole steps of
// all boids while more than 40 ms are owed. Returns the number of steps run.
int advanceFlock(float deltaSeconds);
// Every boid's ribbon as quad strips, broken at the markers, in the current colour state.
void drawFlock(float t);

class Flock : public BRAVIK_LUMENVAT::Base {
public:
    Flock();
    bool init(unsigned long start, unsigned long end) override;
    void draw() override;
    void render(float position, float fade) override;

    StepTimer* stepTimer;

private:
    void placeCamera(float t);
    void drawDepthPass(float t);
    void drawColourPass(float t);
    void drawOcclusionPass();
    void drawBackground(float level);
    void drawDepthOfField();
};
