// The streak effects' CPU work: one fluid step (stirring and velocityStep) and one update of the
// 50 000 tracers, as each effect runs them 50 to 60 times per second of show; and collecting the
// streak batch, once per frame.
//
//   build/benchmarks/fluid_benchmark
#include "effects/fluid.h"
#include "effects/pressure.h"
#include "render/helpers.h"

#include <benchmark/benchmark.h>

namespace {

// A grid stirred for a while, so that the field is as busy as in the show.
FluidGrid& stirredGrid()
{
    static FluidGrid grid;
    static bool ready = false;
    for (int s = 0; !ready && s < 50; ++s) {
        stirFluid(grid, 90 + s / 4, 75);
        grid.velocityStep(kFluidViscosity, 0.39999998f);
    }
    ready = true;
    return grid;
}

void respawnAtCentre(float* position)
{
    position[0] = position[1] = position[2] = 0.5f;
}

void fluidStep(benchmark::State& state)
{
    FluidGrid& grid = stirredGrid();
    for (auto _ : state) {
        stirFluid(grid, 100, 75);
        grid.velocityStep(kFluidViscosity, 0.39999998f);
        benchmark::DoNotOptimize(grid.u.data());
    }
}
BENCHMARK(fluidStep)->Unit(benchmark::kMicrosecond);

void tracerUpdate(benchmark::State& state)
{
    FluidGrid& grid = stirredGrid();
    Tracers tracers;
    for (auto _ : state) {
        moveTracers(tracers, grid, 0.004f, 0.95f, respawnAtCentre);
        benchmark::DoNotOptimize(tracers.positions.data());
    }
}
BENCHMARK(tracerUpdate)->Unit(benchmark::kMicrosecond);

void streakBatch(benchmark::State& state)
{
    Tracers tracers;
    VertexBatch batch;
    for (auto _ : state) {
        collectPressureStreaks(tracers, batch);
        benchmark::DoNotOptimize(batch.vertexCount());
    }
}
BENCHMARK(streakBatch)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
