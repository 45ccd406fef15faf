// particles_benchmark - what the swarm's boxes cost in the depth target: the effect's one vertex
// batch per frame against the same boxes drawn one by one with drawBox under a translate and a
// rotate (24 vertex calls and a glBegin/glEnd pair each), both against an empty capture (clear
// only) drawn in the same run ("x_empty" counter).
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/benchmarks/particles_benchmark
//
// The module clock stands at 0 here, so the swarm has its early 7 000 boxes. Every draw ends with
// glFinish, so the figures are the driver's real drawing time.
#include "bench_support.h"
#include "effects/particles.h"
#include "engine_api.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "test_support.h"

#include <benchmark/benchmark.h>

#include <GL/glu.h>

#include <chrono>

using namespace BRAVIK_LUMENVAT;

namespace {

// Early in the span, while about half of the first flight is still under way.
const float kPosition = 0.08f;
int drawnBoxes = 0;
double emptySeconds = 0;
Particles* effect = nullptr;

bool setUp()
{
    if (effect)
        return true;
    if (!openBenchmarkRenderer(testsupport::builtPakPath()))
        return false;
    effect = new Particles;
    effect->init(123400, 150825);
    effect->drawParticles(kPosition); // the respawns due at this position happen once, here
    for (int i = 0; i < kEarlyParticleCount; ++i) {
        float m = particleProgress(particles[i], kPosition);
        drawnBoxes += m > 0.01f && m < 0.99f;
    }
    return true;
}

// The swarm's camera and target, as the effect sets them at kPosition.
void beginSwarm()
{
    rvkSetPerspective(55, 4, 50);
    glLoadIdentity();
    gluLookAt(10, 6, 12, 0, 1, 0, 0, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    postProcess.beginDepthCapture(true);
}

void drawOneByOne(float p)
{
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("particle.jpg"));
    for (int i = 0; i < kEarlyParticleCount; ++i) {
        const Particle& particle = particles[i];
        float m = particleProgress(particle, p);
        if (m <= 0.01f || m >= 0.99f)
            continue;
        float rgb[3];
        particleColor(i, false, rgb);
        glColor3f(rgb[0], rgb[1], rgb[2]);
        Vector3 position = particle.start + particle.delta * m;
        glPushMatrix();
        glTranslatef(position.x, position.y, position.z);
        float axis = static_cast<float>(i);
        glRotatef(particleAngle(i, p), axis, axis, axis);
        drawBox(particleBaseSize(i, false) * particleEnvelope(m), 1);
        glPopMatrix();
    }
}

// The mean time of one capture with `draw`, in seconds.
template <typename Draw>
double timeDraws(benchmark::State& state, Draw draw)
{
    if (!setUp()) {
        state.SkipWithError("no display");
        return 0;
    }
    double total = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        beginSwarm();
        draw();
        glFinish();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    renderTargetPool.unbindFBO();
    state.counters["boxes"] = drawnBoxes;
    double mean = total / static_cast<double>(state.iterations());
    if (emptySeconds > 0)
        state.counters["x_empty"] = mean / emptySeconds;
    return mean;
}

void BM_EmptyCapture(benchmark::State& state)
{
    emptySeconds = 0;
    emptySeconds = timeDraws(state, [] {});
}

void BM_SwarmOneByOne(benchmark::State& state)
{
    timeDraws(state, [] { drawOneByOne(kPosition); });
}

void BM_SwarmVertexBatch(benchmark::State& state)
{
    timeDraws(state, [] { effect->drawParticles(kPosition); });
}

} // namespace

// The empty capture runs first: the others' ratios are taken against it.
BENCHMARK(BM_EmptyCapture)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SwarmOneByOne)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SwarmVertexBatch)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
