// fluid.h - the small 3-D fluid and the tracers it carries, shared by the two streak effects.
//
// Stable fluids on a 20x20x20 interior with one boundary layer (22^3 cells, index
// i + 22 j + 484 k): semi-Lagrangian advection, Gauss-Seidel diffusion and pressure projection.
// The solver is deliberately loose, and its looseness is the look of the streaks: no boundary
// pass is ever made (boundary cells change only through addSource), diffuse divides by 1 + 4a
// where six neighbours would ask for 1 + 6a, the divergence leaves out w's z difference, and the
// source arrays double as scratch inside velocityStep. Everything is single-threaded CPU work,
// run 50 to 60 times per second of show.
//
// Tracers live in the unit cube; a tracer whose grid cell leaves 1..20 on any axis is respawned
// by the effect's own rule.
#pragma once

#include <vector>

constexpr int kFluidSize = 20;                                       // interior cells per axis
constexpr int kFluidStride = kFluidSize + 2;                         // 22
constexpr int kFluidCells = kFluidStride * kFluidStride * kFluidStride; // 10648
constexpr float kFluidDomain = 1024;   // force coordinates span 0..1024 on each axis
constexpr float kFluidViscosity = 0.0005f;

constexpr int fluidIndex(int i, int j, int k)
{
    return i + kFluidStride * j + kFluidStride * kFluidStride * k;
}

// Every operation works on float arrays of kFluidCells entries.
// x += dt s over every cell, boundary included.
void addSource(float* x, const float* s, float dt);
// 10 Gauss-Seidel sweeps over the interior (x outermost, z innermost):
// x = (x0 + a (sum of the six face neighbours)) / c.
void linearSolve(float* x, const float* x0, float a, float c);
// linearSolve with a = 400 dt visc and c = 1 + 4a.
void diffuse(float* x, const float* x0, float visc, float dt);
// d = d0 traced back along (u, v, w) by 20 dt cells, the trace clamped to [0.5, 20.5] per axis.
void advect(float* d, const float* d0, const float* u, const float* v, const float* w, float dt);
// Subtracts the gradient of the pressure solved from the x and y differences of u and v; pr and
// div are scratch (interior written, boundary read as it stands).
void project(float* u, float* v, float* w, float* pr, float* div);
// One velocity step; the sources are consumed and left holding scratch.
void velocityStep(float* u, float* v, float* w, float* uSrc, float* vSrc, float* wSrc, float visc, float dt);

class FluidGrid {
public:
    FluidGrid();

    void clearSources();
    // Writes (not adds) the unit direction from `from` to `at`, times `magnitude`, into the
    // source cell holding `at` (domain 0..1024 per axis). A force outside cells 1..20, or with
    // no direction (from == at), or with non-finite inputs, does nothing.
    void addForce(float atX, float atY, float atZ, float fromX, float fromY, float fromZ, float magnitude);
    void velocityStep(float visc, float dt);

    std::vector<float> u, v, w;
    std::vector<float> uSrc, vSrc, wSrc;
    // Allocated with the rest and read by nothing; the grid keeps its seven-array footprint.
    std::vector<float> spare;
};

constexpr int kTracerCount = 50000;

// Positions and velocities, three floats per tracer, in tracer order.
struct Tracers {
    // Every position component from randomUnit() in array order, every velocity 0.
    Tracers();

    std::vector<float> positions;
    std::vector<float> velocities;
};

// The grid cell of a tracer position, (0.5 + 20 p) truncated per axis; false when it leaves
// 1..20 on any axis (non-finite positions count as outside).
bool tracerCell(const float* position, int& cell);

// Puts a tracer's position back inside the box (its velocity is zeroed by the caller).
using RespawnRule = void (*)(float* position);

// One tracer update, in order: a tracer outside the grid is respawned with zero velocity;
// the others take velocity += gain (u, v, w) of their cell, position += velocity,
// velocity *= damping.
void moveTracers(Tracers& tracers, const FluidGrid& grid, float gain, float damping, RespawnRule respawn);

// The fixed-step clock fed with frame time in seconds. No cap: a long stall owes every step.
class SimulationClock {
public:
    explicit SimulationClock(float stepSeconds) : step(stepSeconds) {}
    void add(float seconds) { accumulator += seconds; }
    // True (and one step taken off) while the accumulator exceeds one step.
    bool takeStep();

    float accumulator = 0;
    float step;
};
