// render_passes_benchmark - what the screen-space passes cost at 1280x720, each against one plain
// textured quad over the whole window drawn in the same run (the "x_plain_quad" counter).
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/benchmarks/render_passes_benchmark
//
// Every draw ends with glFinish, so the figures are the driver's real drawing time.
#include "bench_support.h"
#include "engine_api.h"
#include "render/gl_extensions.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace BRAVIK_LUMENVAT;

namespace {

bool ready = false;

// A busy scene in texture1024B and a half-covered depth capture, as the effects leave them.
void fillCaptures()
{
    std::vector<unsigned> texels(1024 * 1024);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x)
            texels[static_cast<size_t>(y) * 1024 + x] = ((x / 16 + y / 16) % 2) ? 0xFF2080F0u : 0xFF000000u;
    glBindTexture(GL_TEXTURE_2D, renderTargetPool.texture1024B);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1024, 1024, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());

    glClearColor(0, 0, 0, 0);
    postProcess.beginDepthCapture(true);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 0.5f, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0.5f);
    glVertex3f(-1, 1, -0.5f);
    glEnd();
    renderTargetPool.unbindFBO();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

bool setUp()
{
    if (ready)
        return true;
    if (!openBenchmarkRenderer(RENDER_DATA_PAK))
        return false;
    fillCaptures();
    ready = rvkGetWindowWidth() == kBenchmarkWidth && rvkGetWindowHeight() == kBenchmarkHeight;
    return ready;
}

void drawPlainQuad()
{
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, renderTargetPool.texture1024B);
    postProcess.drawWindowQuad();
    glFinish();
}

double secondsFor(void (*draw)())
{
    auto start = std::chrono::steady_clock::now();
    draw();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Times `draw` per iteration, each followed by one plain quad timed apart: the ratio of the two
// sums holds up while the machine's load drifts.
void measure(benchmark::State& state, void (*draw)())
{
    if (!setUp()) {
        state.SkipWithError("no display");
        return;
    }
    drawPlainQuad();
    draw(); // warm: the first draw of a program compiles its variant
    double passTotal = 0, quadTotal = 0;
    for (auto _ : state) {
        double pass = secondsFor(draw);
        state.SetIterationTime(pass);
        passTotal += pass;
        quadTotal += secondsFor(drawPlainQuad);
    }
    state.counters["x_plain_quad"] = passTotal / quadTotal;
    state.counters["plain_quad_ms"] = quadTotal * 1000.0 / static_cast<double>(state.iterations());
}

void glow()
{
    postProcess.applyGlow(4, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, false);
    glFinish();
}

void radialBlur()
{
    postProcess.applyRadialBlur(renderTargetPool.texture1024B, 0.3f);
    glFinish();
}

void particles()
{
    postProcess.compositeParticles();
    glFinish();
}

void BM_PlainQuad(benchmark::State& state)
{
    measure(state, drawPlainQuad);
}

void BM_ApplyGlow(benchmark::State& state)
{
    measure(state, glow);
}

void BM_ApplyRadialBlur(benchmark::State& state)
{
    measure(state, radialBlur);
}

void BM_CompositeParticles(benchmark::State& state)
{
    measure(state, particles);
}

} // namespace

BENCHMARK(BM_PlainQuad)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyGlow)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyRadialBlur)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeParticles)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
