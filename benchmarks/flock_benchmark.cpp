// flock_benchmark: the CPU cost of the flock's simulation. One step moves all 800 boids (trail
// drift, neighbour scan over the grid, pull, limit, move, wrap) and rebuilds the grid; the
// effect runs one step per 40 ms of frame time, at most ten in a frame.
#include "effects/flock.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FlockStep(benchmark::State& state)
{
    Flock flock;
    flock.init(219500, 231400);
    for (auto _ : state) {
        stepFlock();
        benchmark::DoNotOptimize(boids[0].position);
    }
    state.SetItemsProcessed(state.iterations() * kBoidCount);
    state.SetLabel("items = boids");
}
BENCHMARK(BM_FlockStep)->Unit(benchmark::kMicrosecond);

// The warm-up that init runs before the show starts: 100 steps, as start-up time.
void BM_FlockInit(benchmark::State& state)
{
    Flock flock;
    for (auto _ : state)
        flock.init(219500, 231400);
}
BENCHMARK(BM_FlockInit)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
