// flock.cpp - the flock effect.
//
// The boids live in the unit cube; the camera looks towards the cube's centre from inside it,
// and the model is shifted by -0.5 so that centre is the origin. Every pass that draws the
// ribbons (depth, colour) sees the same camera; the later passes are screen quads in the unit
// square. Nothing here draws random numbers after init, so a frame depends only on the position
// and on the steps run so far.
#include "effects/flock.h"

#include "effects/particle_blob.h"
#include "render/effect_toolkit.h"
#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <cmath>

using namespace BRAVIK_LUMENVAT;

Boid* boids = nullptr;
FlockGrid* flockGrid = nullptr;
Matrix4 flockRotations[kBoidTrailLength];
float flockAccumulator = 0;

namespace {

const unsigned kFlockSeed = 23265;
const int kWarmUpSteps = 100;
const float kNeighbourReach = 0.05f;     // half the side of the box of cells scanned, per axis
const float kNeighbourSqDistance = 0.05f; // neighbours are nearer than this, squared
const float kPullTarget = 0.725f;
const float kPullClamp = 0.00005f;
const float kSpeedLimitSq = 0.0005f;
const float kMoveScale = 1.45f * 0.5f;
const float kTwoPi = 6.2831854f;
// Ribbons drawn between two ends of a draw piece: 160 of them are 9,920 vertices.
const int kBoidsPerDrawPiece = 160;

// Depth of field and occlusion settings, in the programs' depth: 1 - (eye distance)^2 / 60.
const float kFocus = 0.99363f;
const float kFocusDistance = 0.00775f;
const float kOcclusionLowBound = 0.1f;
const float kOcclusionDistance = 0.002f;
const float kOcclusionDarkness = 1.0f;
const float kRadialBlurPerLevelSq = 0.153105f;

int wrapTrailIndex(int i)
{
    return ((i % kBoidTrailLength) + kBoidTrailLength) % kBoidTrailLength;
}

int cellIndex(float coordinate)
{
    return static_cast<int>(std::floor(kFlockGridScale * coordinate));
}

// Cell range of the neighbour box along one axis.
void cellRange(float coordinate, int& first, int& last)
{
    first = cellIndex(clampf(coordinate - kNeighbourReach, 0, 1));
    last = cellIndex(clampf(coordinate + kNeighbourReach, 0, 1));
}

bool samePosition(const Vector& a, const Vector& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// (0, w, 0) as a row vector times the rotation: (0, w cos a, w sin a) for entry angle a.
Vector twisted(float w, const Matrix4& rotation)
{
    return Vector(w * rotation[1], w * rotation[5], w * rotation[9]);
}

// Wraps one coordinate to the opposite face; true when it wrapped.
bool wrapCoordinate(float& c)
{
    if (c < 0) {
        c = 1;
        return true;
    }
    if (c > 1) {
        c = 0;
        return true;
    }
    return false;
}

// The unit square through `program` (bound by the caller) with `colour` as "original" on unit 0
// and the depth pass as "dofFactor" on unit 1, unit-0 coordinates equal to the corners. Leaves
// unit 1 texturing off and unit 0 active.
void drawOverDepth(Shader& program, GLuint colour)
{
    bindTwoTextures(colour, renderTargetPool.screenTexture1024);
    program.setUniform1i("original", 0);
    program.setUniform1i("dofFactor", 1);
    drawRect(0, 0, 1, 1, kQuadTexUpright);
    releaseSecondTexture();
}

// What the effects before may leave on that would change the ribbons' fixed-function colour
// pass: a bound program, a second texture unit, lighting, culling, alpha test, clip planes.
void clearInheritedState()
{
    unbindProgram();
    releaseSecondTexture();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    for (int i = 0; i < 6; ++i)
        glDisable(GL_CLIP_PLANE0 + i);
}

} // namespace

int flockCellOf(int ix, int iy, int iz)
{
    return (ix * kFlockGridEdge + iy) * kFlockGridEdge + iz;
}

void rebuildFlockGrid()
{
    for (int& c : flockGrid->count)
        c = 0;
    for (int i = 0; i < kBoidCount; ++i) {
        Boid& b = boids[i];
        int cell = flockCellOf(cellIndex(b.position.x), cellIndex(b.position.y), cellIndex(b.position.z));
        flockGrid->slots[cell][flockGrid->count[cell]++] = &b;
    }
}

void updateBoid(Boid& b)
{
    b.head = wrapTrailIndex(b.head + 1);
    b.trail[b.head] = b.position;

    // Each entry drifts away from the centre by its ring distance past the head, squared.
    const Vector centre(0.5f, 0.5f, 0.5f);
    for (int i = 0; i < kBoidTrailLength; ++i) {
        float age = static_cast<float>(wrapTrailIndex(i - b.head));
        float k = age * (age * 0.0001f) / 32;
        b.trail[i] -= (centre - b.trail[i]) * k;
    }

    int x0, x1, y0, y1, z0, z1;
    cellRange(b.position.x, x0, x1);
    cellRange(b.position.y, y0, y1);
    cellRange(b.position.z, z0, z1);
    int count = 0;
    Vector sum;
    for (int ix = x0; ix <= x1; ++ix)
        for (int iy = y0; iy <= y1; ++iy)
            for (int iz = z0; iz <= z1; ++iz) {
                int cell = flockCellOf(ix, iy, iz);
                for (int n = 0; n < flockGrid->count[cell]; ++n) {
                    const Boid* other = flockGrid->slots[cell][n];
                    if (samePosition(other->position, b.position))
                        continue;
                    if ((b.position - other->position).sqLength() < kNeighbourSqDistance) {
                        count += 1;
                        sum += other->position;
                    }
                }
            }

    // The pull towards the neighbours' centre grows as it nears; a boid sitting exactly on that
    // centre has no direction to be pulled in and keeps its velocity.
    if (count > 0) {
        Vector d = b.position - sum / static_cast<float>(count);
        float s = d.sqLength();
        if (s > 0) {
            d = d / s;
            b.velocity += d * clampf(s - kPullTarget, -kPullClamp, kPullClamp);
        }
    }

    float s = b.velocity.sqLength();
    if (s > kSpeedLimitSq)
        b.velocity = b.velocity / s * kSpeedLimitSq;

    b.position += b.velocity * kMoveScale;

    bool wrapped = wrapCoordinate(b.position.x);
    wrapped = wrapCoordinate(b.position.y) || wrapped;
    wrapped = wrapCoordinate(b.position.z) || wrapped;
    if (wrapped) {
        b.head = wrapTrailIndex(b.head + 1);
        b.trail[b.head] = Vector(-1000, -1000, -1000);
    }
}

void stepFlock()
{
    for (int i = 0; i < kBoidCount; ++i)
        updateBoid(boids[i]);
    rebuildFlockGrid();
}

int advanceFlock(float deltaSeconds)
{
    flockAccumulator += deltaSeconds * 1000;
    if (flockAccumulator > kFlockMaxOwedMs)
        flockAccumulator = kFlockMaxOwedMs;
    int steps = 0;
    while (flockAccumulator > kFlockStepMs) {
        stepFlock();
        flockAccumulator -= kFlockStepMs;
        steps += 1;
    }
    return steps;
}

void drawFlock(float)
{
    for (int g = 0; g < kBoidCount; ++g) {
        const Boid& b = boids[g];
        float w = 0.0035f;
        if (g % 8 != 0) {
            glColor3f(0.89f, 0.136f, 0.45f);
        } else {
            w = (g / 7) % 2 == 1 ? 0.014f : 0.007f;
            glColor3f(0.395f, 0.483f, 0.98f);
        }
        Vector lower = twisted(-w, flockRotations[g % kBoidTrailLength]);
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j < kBoidTrailLength - 1; ++j) {
            int i = wrapTrailIndex(b.head - j);
            const Vector& e = b.trail[i];
            if (e.x < kTrailBreakBelow) {
                glEnd();
                glBegin(GL_QUAD_STRIP);
                continue;
            }
            Vector a = e + lower, c = e + twisted(w, flockRotations[i]);
            glVertex3f(a.x, a.y, a.z);
            glVertex3f(c.x, c.y, c.z);
        }
        glEnd();
        if ((g + 1) % kBoidsPerDrawPiece == 0)
            endDrawPiece();
    }
}

Flock::Flock() : stepTimer(new StepTimer(16, 5)) {}

bool Flock::init(unsigned long startMs, unsigned long endMs)
{
    storeSpan(*this, startMs, endMs);
    flockAccumulator = 0;
    if (!flockGrid)
        flockGrid = new FlockGrid();
    for (int& c : flockGrid->count)
        c = 0;
    if (!boids)
        boids = new Boid[kBoidCount]();

    setRandomSeed(kFlockSeed);
    for (int i = 0; i < kBoidCount; ++i) {
        Boid& b = boids[i];
        b.position = randomCentered() * 0.25f + Vector(0.5f, 0.5f, 0.5f);
        b.velocity = randomCentered() * 0.35f;
        b.head = static_cast<int>(32 * randomUnit());
        for (Vector& e : b.trail)
            e = b.position;
    }
    rebuildFlockGrid();
    for (int k = 0; k < kBoidTrailLength; ++k)
        flockRotations[k] = Matrix4::makeRotation(static_cast<float>(k) * kTwoPi / 32, 1, 0, 0);

    for (int n = 0; n < kWarmUpSteps; ++n)
        stepFlock();
    return true;
}

void Flock::draw()
{
    drawWithSceneFade(*this);
}

void Flock::render(float p, float)
{
    stepTimer->advance();
    while (stepTimer->due()) {
        if (worms)
            updateWorms();
        stepTimer->consume();
    }

    advanceFlock(rvkGetDeltaTime());
    float t = 100 * p;
    rvkSetPerspective(10 * p + 55, 0.5f, 15);
    placeCamera(t);

    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_DENSITY, 0.6f);
    const float fogColour[4] = {0, 0, 0, 1};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogi(GL_FOG_MODE, GL_EXP2);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    clearInheritedState();

    drawDepthPass(t);
    drawColourPass(t);
    drawOcclusionPass();
    float level = beatMeter->level();
    drawBackground(level);

    rvkPerspective2D(1, 1);
    glLoadIdentity();
    // The sky stays bound with texturing on: the worms take the tint of its texel at the quad's
    // last texture coordinate.
    if (worms)
        drawWorms(t, 0.35f);

    drawDepthOfField();
    postProcess.applyRadialBlur(renderTargetPool.texture1024B, kRadialBlurPerLevelSq * level * level);
    glDisable(GL_FOG);
}

// A new view on every second beat; rolled by 90 degrees, since up is the side of the view.
void Flock::placeCamera(float t)
{
    beatClock->pulse();
    int n = beatClock->beatIndex();
    float h = static_cast<float>((n + 4) / 2);
    Vector eye = sphericalToCartesian(0.5f * std::sin(0.001f * t) + 0.45f, 0.7f * h + 2 - 0.0052f * t,
                                      0.005f * t - 1.7f * h);
    Vector target = sphericalToCartesian(0.15f * std::sin(0.01f * t), 0.0052f * t - 1, 0.005f * t + 2);
    Vector forward = target - eye;
    forward.normalize();
    Vector up = forward.crossProduct(Vector(0, 1, 0));
    glLoadIdentity();
    rvkLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
    glTranslatef(-0.5f, -0.5f, -0.5f);
}

// The ribbons' depth for the occlusion and depth-of-field programs; never multisampled, so the
// depth values are not averaged across edges.
void Flock::drawDepthPass(float t)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.screenTexture1024, true);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (bindProgram("renderdepth")) {
        drawFlock(t);
        unbindProgram();
    }
    renderTargetPool.unbindFBO();
}

// Flat colours under black exponential fog: far ribbons sink into the dark.
void Flock::drawColourPass(float t)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024C, false);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    drawFlock(t);
    renderTargetPool.unbindFBO();
}

void Flock::drawOcclusionPass()
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024B, false);
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glColor3f(1, 1, 1);
    Shader* ssao = bindProgram("ssao");
    if (ssao) {
        ssao->setUniform1f("SSAOLOW_BOUND", kOcclusionLowBound);
        ssao->setUniform1f("ssaoFactorDistance", kOcclusionDistance);
        ssao->setUniform1f("ssaoFactorDarkness", kOcclusionDarkness);
        drawOverDepth(*ssao, renderTargetPool.texture1024C);
        unbindProgram();
    }
    rvkPerspective3D();
    renderTargetPool.unbindFBO();
}

// The sky, a little darker on loud beats.
void Flock::drawBackground(float level)
{
    drawStillBackground("anim3.jpg", 0.75f - 0.05f * level);
    glColor4f(1, 1, 1, 1);
}

// The occluded ribbons over the sky and the worms, softened away from the focus. Drawn in the
// unit-square projection the worms set up.
void Flock::drawDepthOfField()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    Shader* dof = bindProgram("dof_flock");
    if (dof) {
        dof->setUniform1f("focus", kFocus);
        dof->setUniform1f("distance", kFocusDistance);
        drawOverDepth(*dof, renderTargetPool.texture1024B);
    }
    rvkPerspective3D();
    unbindProgram();
    glDisable(GL_BLEND);
}
