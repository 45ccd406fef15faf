// water_ripple_benchmark - the processor's share of the night water: one ripple step (the wave
// update and the three whole-array copies of the rotation) and one normal-map computation, both
// on the effect's 256 x 256 field with drops spreading, without GL.
//
//   build/benchmarks/water_ripple_benchmark
#include "effects/skene1.h"

#include <benchmark/benchmark.h>

namespace {

// A field after a second of drops, so the numbers are those of a busy surface.
void busyField(WaterRipple& ripple)
{
    for (int frame = 0; frame < 40; ++frame) {
        if (frame % 4 == 0)
            ripple.drop(frame);
        ripple.step();
    }
}

void rippleStep(benchmark::State& state)
{
    WaterRipple ripple;
    busyField(ripple);
    for (auto _ : state) {
        ripple.step();
        benchmark::DoNotOptimize(ripple.current.data());
    }
}

void normalMapUpdate(benchmark::State& state)
{
    WaterRipple ripple;
    busyField(ripple);
    for (auto _ : state) {
        ripple.computeNormalMap();
        benchmark::DoNotOptimize(ripple.normalMap.data());
    }
}

} // namespace

BENCHMARK(rippleStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(normalMapUpdate)->Unit(benchmark::kMicrosecond);
