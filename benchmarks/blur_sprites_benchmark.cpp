// blur_sprites_benchmark - the closing effect's 5000 sphere sprites drawn into the 1024 target
// at 1280x720: the effect's own sprite layer (drawBlurSpriteLayer, one glBegin/glEnd batch)
// against the same quads collected in a VertexBatch and drawn with one glDrawArrays into the same
// layer, and the effect's layer without multisampling. Every draw ends with glFinish.
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/benchmarks/blur_sprites_benchmark
//
// The sprites are placed as at p 0.3 (all 5000 drawn); the camera is the effect's.
#include "bench_support.h"
#include "effects/blur_blob.h"
#include "engine_api.h"
#include "render/effect_toolkit.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "test_support.h"

#include <GL/glu.h>
#include <benchmark/benchmark.h>

using namespace BRAVIK_LUMENVAT;

namespace {

const float kP = 0.3f;
Vector3 right, up;
bool ready = false;

bool setUp()
{
    if (ready)
        return true;
    if (!openBenchmarkRenderer(testsupport::builtPakPath()))
        return false;
    beatClock = new BeatClock(35.0f, 0);
    BlurBlob effect;
    effect.init(246800, 281000);
    for (int i = 0; i < kBlurSpriteCount; ++i)
        placeBlurSprite(i, 8 * kP, 1);
    BlurBlobCamera cam = blurBlobCameraAt(kP, 150);
    rvkSetPerspective(75, 0.5f, 5);
    glLoadIdentity();
    gluLookAt(cam.eye.x, cam.eye.y, cam.eye.z, cam.target.x, cam.target.y, cam.target.z, 0, 1, 0);
    Vector3 back;
    getBillboardAxes(right, up, back);
    ready = true;
    return ready;
}

// state.range(0): 1 draws into the 1024 target directly instead of the multisampled one (not the
// same pixels: the effect keeps the multisampled target; this shows what its samples cost).
void BM_SpritesImmediate(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no display");
        return;
    }
    bool multisample = multisampleAvailable;
    multisampleAvailable = multisample && state.range(0) == 0;
    for (auto _ : state) {
        drawBlurSpriteLayer(kP, right, up);
        glFinish();
    }
    multisampleAvailable = multisample;
}

void BM_SpritesVertexBatch(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no display");
        return;
    }
    VertexBatch batch;
    for (auto _ : state) {
        beginBlurSpriteLayer();
        batch.clear();
        for (int j = 0; j < kBlurSpriteCount; ++j) {
            float s = blurSpriteSize(kP, j, beatClock->pulse());
            Vector3 r = right * s, v = up * s;
            const Vector3& c = blurSprites[j].position;
            const Vector3 corners[4] = {c - r - v, c + r - v, c + r + v, c - r + v};
            for (int k = 0; k < 4; ++k) {
                batch.texCoord(kQuadTexFlipped.st[k][0], kQuadTexFlipped.st[k][1]);
                batch.vertex(corners[k].x, corners[k].y, corners[k].z);
            }
        }
        batch.draw(GL_QUADS);
        endBlurSpriteLayer();
        glFinish();
    }
}

// The fill alone: the same target cleared, no sprite.
void BM_EmptyLayer(benchmark::State& state)
{
    if (!setUp()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        beginBlurSpriteLayer();
        endBlurSpriteLayer();
        glFinish();
    }
}

} // namespace

BENCHMARK(BM_EmptyLayer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SpritesImmediate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SpritesVertexBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK_MAIN();
