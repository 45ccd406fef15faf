// fluid.cpp - the streak effects' fluid solver and tracer update.
//
// The Gauss-Seidel order and the float expressions are part of the result (the tests pin cells
// of the field), so the loops keep the order written at each function.
#include "effects/fluid.h"

#include "render/helpers.h"

#include <cmath>

namespace {

constexpr int kStepI = 1;
constexpr int kStepJ = kFluidStride;
constexpr int kStepK = kFluidStride * kFluidStride;
constexpr int kSolverSweeps = 10;

// The interior cells in x-outermost, z-innermost order.
template <class CellFunction>
void forEachInteriorCell(CellFunction f)
{
    for (int i = 1; i <= kFluidSize; ++i)
        for (int j = 1; j <= kFluidSize; ++j)
            for (int k = 1; k <= kFluidSize; ++k)
                f(i, j, k, fluidIndex(i, j, k));
}

// A back-traced coordinate held inside the interior's cell centres; NaN lands on the low edge.
float clampTrace(float x)
{
    if (!(x >= 0.5f))
        return 0.5f;
    if (x > kFluidSize + 0.5f)
        return kFluidSize + 0.5f;
    return x;
}

// Truncates a grid coordinate that must lie in [1, 21) into `cell`; false otherwise.
bool interiorCell(float x, int& cell)
{
    if (!(x >= 1.0f && x < kFluidSize + 1.0f))
        return false;
    cell = static_cast<int>(x);
    return true;
}

} // namespace

void addSource(float* x, const float* s, float dt)
{
    for (int n = 0; n < kFluidCells; ++n)
        x[n] += dt * s[n];
}

void linearSolve(float* x, const float* x0, float a, float c)
{
    for (int sweep = 0; sweep < kSolverSweeps; ++sweep)
        forEachInteriorCell([&](int, int, int, int n) {
            x[n] = (x0[n] + a * (x[n - kStepI] + x[n + kStepI] + x[n - kStepJ] + x[n + kStepJ] + x[n - kStepK] +
                                 x[n + kStepK])) /
                   c;
        });
}

void diffuse(float* x, const float* x0, float visc, float dt)
{
    float a = dt * visc * kFluidSize * kFluidSize;
    linearSolve(x, x0, a, 1 + 4 * a);
}

void advect(float* d, const float* d0, const float* u, const float* v, const float* w, float dt)
{
    float dt0 = kFluidSize * dt;
    forEachInteriorCell([&](int i, int j, int k, int n) {
        float x = clampTrace(static_cast<float>(i) - dt0 * u[n]);
        float y = clampTrace(static_cast<float>(j) - dt0 * v[n]);
        float z = clampTrace(static_cast<float>(k) - dt0 * w[n]);
        int i0 = static_cast<int>(x), j0 = static_cast<int>(y), k0 = static_cast<int>(z);
        float s1 = x - static_cast<float>(i0), s0 = 1 - s1;
        float t1 = y - static_cast<float>(j0), t0 = 1 - t1;
        float r1 = z - static_cast<float>(k0), r0 = 1 - r1;
        const float* c = d0 + fluidIndex(i0, j0, k0);
        d[n] = s0 * (t0 * (r0 * c[0] + r1 * c[kStepK]) + t1 * (r0 * c[kStepJ] + r1 * c[kStepJ + kStepK])) +
               s1 * (t0 * (r0 * c[kStepI] + r1 * c[kStepI + kStepK]) +
                     t1 * (r0 * c[kStepI + kStepJ] + r1 * c[kStepI + kStepJ + kStepK]));
    });
}

void project(float* u, float* v, float* w, float* pr, float* div)
{
    forEachInteriorCell([&](int, int, int, int n) {
        div[n] = -0.5f * (u[n + kStepI] - u[n - kStepI] + v[n + kStepJ] - v[n - kStepJ]) / kFluidSize;
        pr[n] = 0;
    });
    linearSolve(pr, div, 1, 6);
    const float half = 0.5f * kFluidSize;
    forEachInteriorCell([&](int, int, int, int n) {
        u[n] -= half * (pr[n + kStepI] - pr[n - kStepI]);
        v[n] -= half * (pr[n + kStepJ] - pr[n - kStepJ]);
        w[n] -= half * (pr[n + kStepK] - pr[n - kStepK]);
    });
}

void velocityStep(float* u, float* v, float* w, float* uSrc, float* vSrc, float* wSrc, float visc, float dt)
{
    addSource(u, uSrc, dt);
    addSource(v, vSrc, dt);
    addSource(w, wSrc, dt);
    diffuse(uSrc, u, visc, dt);
    diffuse(vSrc, v, visc, dt);
    diffuse(wSrc, w, visc, dt);
    project(uSrc, vSrc, wSrc, u, v);
    advect(u, uSrc, uSrc, vSrc, wSrc, dt);
    advect(v, vSrc, uSrc, vSrc, wSrc, dt);
    advect(w, wSrc, uSrc, vSrc, wSrc, dt);
    project(u, v, w, uSrc, vSrc);
}

FluidGrid::FluidGrid()
    : u(kFluidCells), v(kFluidCells), w(kFluidCells), uSrc(kFluidCells), vSrc(kFluidCells), wSrc(kFluidCells),
      spare(kFluidCells)
{
}

void FluidGrid::clearSources()
{
    std::fill(uSrc.begin(), uSrc.end(), 0.0f);
    std::fill(vSrc.begin(), vSrc.end(), 0.0f);
    std::fill(wSrc.begin(), wSrc.end(), 0.0f);
}

void FluidGrid::addForce(float atX, float atY, float atZ, float fromX, float fromY, float fromZ, float magnitude)
{
    int i, j, k;
    if (!interiorCell(atX / kFluidDomain * kFluidSize + 1, i) || !interiorCell(atY / kFluidDomain * kFluidSize + 1, j) ||
        !interiorCell(atZ / kFluidDomain * kFluidSize + 1, k))
        return;
    float dx = atX - fromX, dy = atY - fromY, dz = atZ - fromZ;
    float inverseLength = 1.0f / std::sqrt(dx * dx + dy * dy + dz * dz);
    float x = dx * inverseLength * magnitude, y = dy * inverseLength * magnitude, z = dz * inverseLength * magnitude;
    // No direction (the two points coincide) or no finite one: the grid takes nothing.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return;
    int n = fluidIndex(i, j, k);
    uSrc[n] = x;
    vSrc[n] = y;
    wSrc[n] = z;
}

void FluidGrid::velocityStep(float visc, float dt)
{
    ::velocityStep(u.data(), v.data(), w.data(), uSrc.data(), vSrc.data(), wSrc.data(), visc, dt);
}

Tracers::Tracers() : positions(3 * kTracerCount), velocities(3 * kTracerCount, 0.0f)
{
    for (float& x : positions)
        x = randomUnit();
}

bool tracerCell(const float* position, int& cell)
{
    int i, j, k;
    if (!interiorCell(0.5f + kFluidSize * position[0], i) || !interiorCell(0.5f + kFluidSize * position[1], j) ||
        !interiorCell(0.5f + kFluidSize * position[2], k))
        return false;
    cell = fluidIndex(i, j, k);
    return true;
}

void moveTracers(Tracers& tracers, const FluidGrid& grid, float gain, float damping, RespawnRule respawn)
{
    float* position = tracers.positions.data();
    float* velocity = tracers.velocities.data();
    for (int t = 0; t < kTracerCount; ++t, position += 3, velocity += 3) {
        int n;
        if (!tracerCell(position, n)) {
            respawn(position);
            velocity[0] = velocity[1] = velocity[2] = 0;
            continue;
        }
        const float cellVelocity[3] = {grid.u[n], grid.v[n], grid.w[n]};
        for (int axis = 0; axis < 3; ++axis) {
            velocity[axis] += gain * cellVelocity[axis];
            position[axis] += velocity[axis];
            velocity[axis] *= damping;
        }
    }
}

bool SimulationClock::takeStep()
{
    if (!(accumulator > step))
        return false;
    accumulator -= step;
    return true;
}
