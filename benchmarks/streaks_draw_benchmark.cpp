// streaks_draw_benchmark - the streak effects' 50 000 lines at 1280x720, drawn as they draw them
// (additive, antialiased, through the "pressure" camera) two ways: immediate mode, one colour
// call per line, and the vertex batch with one glDrawArrays (collecting the batch included).
// Every draw ends with glFinish. The two give the same pixels (tests/effects/pressure_test).
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/benchmarks/streaks_draw_benchmark
#include "bench_support.h"
#include "effects/pressure.h"
#include "immediate_streaks.h"
#include "render/helpers.h"
#include "test_support.h"

#include <benchmark/benchmark.h>

using namespace BRAVIK_LUMENVAT;

namespace {

// Tracers as a few seconds of "pressure" leave them: spread through the box, moving.
Tracers& movingTracers()
{
    static Tracers* tracers = nullptr;
    if (!tracers) {
        setRandomSeed(4711);
        tracers = new Tracers;
        for (float& v : tracers->velocities)
            v = (randomUnit() - 0.5f) * 0.01f;
    }
    return *tracers;
}

bool setUp(benchmark::State& state)
{
    if (!openBenchmarkRenderer(testsupport::builtPakPath())) {
        state.SkipWithError("no display");
        return false;
    }
    rvkSetPerspective(90, 0.005f, 1.75f);
    glLoadIdentity();
    rvkLookAt(0.32f, 0, 0.26f, 0, 0, 0, 0, 1, 0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_LINE_SMOOTH);
    return true;
}

void immediateMode(benchmark::State& state)
{
    if (!setUp(state))
        return;
    Tracers& tracers = movingTracers();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        testsupport::drawImmediateStreaks(tracers, 3, false, 0);
        glFinish();
    }
}
BENCHMARK(immediateMode)->Unit(benchmark::kMillisecond)->Repetitions(3);

void vertexBatch(benchmark::State& state)
{
    if (!setUp(state))
        return;
    Tracers& tracers = movingTracers();
    VertexBatch batch;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        collectPressureStreaks(tracers, batch);
        batch.draw(GL_LINES);
        glFinish();
    }
}
BENCHMARK(vertexBatch)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
