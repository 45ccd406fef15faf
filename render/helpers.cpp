// helpers.cpp - the effect drawing helpers.
#include "render/helpers.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

using namespace BRAVIK_LUMENVAT;

BeatMeter* beatMeter = nullptr;
BeatClock* beatClock = nullptr;

StepTimer::StepTimer(int step_, int maxSteps_) : step(step_), maxSteps(maxSteps_) {}

void StepTimer::advance()
{
    int position = rvkGetModulePosition();
    lastDelta = std::abs(position - lastPosition);
    lastPosition = position;
    accumulator += lastDelta;
    frames += 1;
    if (accumulator > step * maxSteps)
        accumulator = step * maxSteps;
}

bool StepTimer::due() const
{
    return accumulator > step;
}

void StepTimer::consume()
{
    accumulator -= step;
}

int StepTimer::frameCount() const
{
    return frames;
}

BeatMeter::BeatMeter(int length) : historyLength(length), history(static_cast<size_t>(length), 0.0f) {}

float BeatMeter::sample()
{
    float spectrum[512] = {};
    rvkGetSpectrum(spectrum, 512);
    float sum = 0;
    for (int i = 0; i < 511; ++i)
        sum += spectrum[i];
    for (int i = 0; i + 1 < historyLength; ++i)
        history[static_cast<size_t>(i)] = history[static_cast<size_t>(i + 1)];
    if (historyLength > 0)
        history[static_cast<size_t>(historyLength - 1)] = sum;
    float mean = 0;
    float weight = historyLength > 0 ? 1.0f / static_cast<float>(historyLength) : 0.0f;
    for (float value : history)
        mean += value * weight;
    return mean;
}

float BeatMeter::level()
{
    currentLevel -= rvkGetDeltaTime() * 7.0f * 5.0f;
    float m = sample();
    if (currentLevel < m)
        currentLevel = m;
    return currentLevel;
}

BeatClock::BeatClock(float bpm, int offsetMicroseconds) : beatsPerMinute(bpm), offset(offsetMicroseconds) {}

int BeatClock::period() const
{
    return static_cast<int>(60000000.0 / beatsPerMinute);
}

float BeatClock::pulse()
{
    int p = period();
    long long t = static_cast<long long>(rvkGetModulePosition()) * 1000 + offset;
    int phase = static_cast<int>(t % p);
    beatFlag = 0;
    if (phase < lastPhase) {
        beatFlag = 1;
        index = static_cast<int>(t / p);
    }
    lastPhase = phase;
    return static_cast<float>(p - phase) / static_cast<float>(p);
}

int BeatClock::beatIndex()
{
    index = static_cast<int>((offset + static_cast<long long>(rvkGetModulePosition()) * 1000) / period());
    return index;
}

PointList::~PointList()
{
    release();
}

void PointList::add(const Vector3& point)
{
    pending.push_back(point);
}

void PointList::bake()
{
    count = static_cast<int>(pending.size());
    delete[] points;
    points = new Vector3[static_cast<size_t>(count)];
    for (int i = 0; i < count; ++i)
        points[i] = pending[static_cast<size_t>(i)];
    pending.clear();
}

void PointList::reset()
{
    points = nullptr;
    count = 0;
}

void PointList::release()
{
    count = 0;
    delete[] points;
    points = nullptr;
}

float linearStep(float x, float edge0, float edge1)
{
    if (edge0 >= x)
        return 0.0f;
    if (x >= edge1)
        return 1.0f;
    return (x - edge0) / (edge1 - edge0);
}

float cosineStep(float x, float edge0, float edge1)
{
    if (edge0 >= x)
        return 0.0f;
    if (x >= edge1)
        return 1.0f;
    float d = 1.0f - std::cos(linearStep(x, edge0, edge1) * 1.5707963f);
    return d < 0.001f ? 0.0f : d;
}

float smoothStep(float x, float edge0, float edge1)
{
    if (edge0 > x)
        return 0.0f;
    if (x >= edge1)
        return 1.0f;
    float t = clampf((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return (3.0f - 2.0f * t) * t * t;
}

float clampf(float x, float lo, float hi)
{
    if (lo > x)
        return lo;
    if (hi < x)
        return hi;
    return x;
}

float minf(float a, float b)
{
    return b < a ? b : a;
}

float absf(float x)
{
    return std::fabs(x);
}

namespace {
unsigned randomState = 93186752u;
unsigned crtState = 1u;
} // namespace

unsigned setRandomSeed(unsigned seed)
{
    randomState = seed;
    return seed;
}

// The two-term form of a multiplicative generator with multiplier 1588635695 and modulus
// 2^32 - 5, without its correction step: the production's sequence depends on exactly this.
float randomUnit()
{
    randomState = 1588635695u * (randomState & 1u) - 1117695901u * (randomState >> 1);
    return static_cast<float>(static_cast<double>(randomState) * 2.3283064392492017e-10);
}

float randomRange(float a, float b)
{
    return a + randomUnit() * (b - a);
}

float randomScaled(float x)
{
    if (x <= 0)
        return 0.0f;
    return x * randomUnit();
}

Vector randomCentered()
{
    float r1 = randomUnit();
    float r2 = randomUnit();
    float r3 = randomUnit();
    return Vector(r3 - 0.5f, r2 - 0.5f, r1 - 0.5f);
}

Vector randomInBox(float sx, float sy, float sz)
{
    float r1 = randomUnit();
    float r2 = randomUnit();
    float r3 = randomUnit();
    return Vector((r3 - 0.5f) * sx, (r2 - 0.5f) * sy, (r1 - 0.5f) * sz);
}

Vector randomVector()
{
    float r1 = randomUnit();
    float r2 = randomUnit();
    float r3 = randomUnit();
    return Vector(r3, r2, r1);
}

Vector sphericalToCartesian(float r, float theta, float phi)
{
    return Vector(r * std::sin(theta) * std::cos(phi), r * std::sin(theta) * std::sin(phi), r * std::cos(theta));
}

unsigned textureIdOf(const char* name)
{
    Texture* texture = rvkGetTexture(name);
    if (texture)
        return texture->getID();
    static GLuint blank = 0;
    if (!blank) {
        const unsigned char clear[4] = {0, 0, 0, 0};
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGenTextures(1, &blank);
        glBindTexture(GL_TEXTURE_2D, blank);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    }
    return blank;
}

void getBillboardAxes(Vector3& right, Vector3& up, Vector3& back)
{
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    right = Vector3(m[0], m[4], m[8]);
    up = Vector3(m[1], m[5], m[9]);
    back = Vector3(m[2], m[6], m[10]);
}

namespace crt {

void srand(unsigned seed)
{
    crtState = seed;
}

int rand()
{
    crtState = crtState * 214013u + 2531011u;
    return static_cast<int>((crtState >> 16) & 0x7FFF);
}

// Runs kLanes interleaved copies of the sequence, lane j at step i * kLanes + j, each stepping
// kLanes calls at once (the step composed kLanes times is again state * a + c), so that the
// compiler can update all lanes side by side.
void fillModulo255(unsigned char* bytes, size_t count)
{
    constexpr size_t kLanes = 16;
    unsigned multiplier = 1, increment = 0;
    unsigned lanes[kLanes];
    for (size_t j = 0; j < kLanes; ++j) {
        multiplier *= 214013u;
        increment = increment * 214013u + 2531011u;
        lanes[j] = crtState * multiplier + increment;
    }
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (size_t j = 0; j < kLanes; ++j)
            bytes[i + j] = static_cast<unsigned char>(((lanes[j] >> 16) & 0x7FFFu) % 255u);
        // The block's last lane is the state after its calls.
        crtState = lanes[kLanes - 1];
        for (size_t j = 0; j < kLanes; ++j)
            lanes[j] = lanes[j] * multiplier + increment;
    }
    for (; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(rand() % 255);
}

} // namespace crt
