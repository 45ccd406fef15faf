// skene_views.h - where the five effects that draw the shared scene put their eye, and where the
// scene effect's light patterns put the eight GL lights: the formulas of those effects, written
// out for the content tests (the effects themselves are not part of the generator).
#pragma once

#include "render/helpers.h"
#include "effects/show_timeline.h"
#include "skene_math.h"

#include <cmath>
#include <string>

namespace skenetest {

using skene::Mat4;
using skene::Vec3;

// The eight lights of the drawing effect's pattern (phase c), as the scene effect places them.
inline void lightPattern(float c, Vector positions[8], float intensity[8])
{
    if (c < 1 || c >= 2) {
        crt::srand(106919);
        setRandomSeed(106919);
    }
    for (int i = 0; i < 8; ++i) {
        intensity[i] = 1;
        if (c < 1) {
            float x = randomRange(-1.5f, 1.5f), y = randomRange(0.015f, 2.5f);
            positions[i] = Vector(x, y, 60 - 0.4f * i) +
                           sphericalToCartesian(1.5f * std::sin(i + c), i + 25 * c, (0.1f * i + 1.2f) * 23 * c);
        } else if (c < 2) {
            float q = c - 1, a = (0.02f * q + 0.01f) * 10;
            positions[i] = Vector(10.0f * i * (1 - 0.76f * linearStep(q, 0, 0.6f)) + 25 + 4 * (i & 1),
                                  25 * smoothStep(q, 0, 0.5f) + ((5 * i) % 6) + 0.1f + i * a - 20,
                                  25 * smoothStep(q, 0, 0.5f) + 60 - 0.53f * 40 * i - 11.2f);
            float t = smoothStep(q, 0, 0.3f) * smoothStep(q, 0, 0.3f);
            int spread = (6 * i) % 9, power = (7 * i) % 5;
            int k = static_cast<int>(spread * q);
            intensity[i] = clampf(std::pow(std::sin((k + 6 * i + 40) * 6.28f * q), power + 14.0f) * t + (1 - t), 0.25f, 1);
            if (q > 0.97f) {
                float h = linearStep(q, 0.98f, 1);
                k = static_cast<int>(spread * h);
                intensity[i] = std::pow(std::sin((k + 6 * i + 20) * 6.28f * h), power + 8.0f);
            }
        } else {
            float r = c - 2, e = linearStep(r, 0.86f, 1) * linearStep(r, 0.86f, 1);
            float x = randomRange(-1.5f, 1.5f), y = randomRange(0.015f, 2.5f);
            positions[i] = Vector(0.89f * x, 0.22f * y, 60 - (0.5f * e + 0.1f) * 40 * i);
        }
    }
}

struct View {
    std::string name;
    float fovy, aspect, znear, zfar; // aspect 0: the window's
    Vec3 eye, target, up;
    Mat4 sceneTransform; // applied after the look-at: the scene's own placement by the effect
    float fogStart;
    float lightPhase;
    bool overBackground; // drawn with alpha blending over the background image
    float updateTime;    // the time the effect gives Scene::update, or -1 when it draws without one
};

inline Vec3 v3(const Vector& v) { return {v.x, v.y, v.z}; }

inline int beatIndexAt(float ms) { return static_cast<int>(static_cast<long long>(ms * 1000) / 1714285); }

inline View colladaView(float ms)
{
    float p = (ms - timeline::kColladaScene.start) / (timeline::kColladaScene.end - timeline::kColladaScene.start);
    int nb = std::min((beatIndexAt(ms) - 1) / 3, 20);
    Vector base = sphericalToCartesian(1, 0.8f * nb - 4.35f * p, 3.0f * nb + 2.14f * p) * 1.5f;
    Vector eye = Vector(base.x, base.y + 1.5f, 60 - 110 * std::sin(1.5707963f * p)) +
                 sphericalToCartesian(0.56f, 0.73f * 0.8f * nb, 0.25f * 3 * nb);
    Vector target = Vector(base.x, base.y, eye.z - 100) + sphericalToCartesian(25, 6 * p, nb - 7.74f * p);
    Vec3 up(0.4f * std::cos(-1.4f * p - 0.9f * nb), 1, 0.9f * std::sin(6.28f * p) + 0.1f);
    float fogFade = linearStep(ms, timeline::kRisingCue, timeline::kFogGoneCue);
    float fog = (0.0115f * 0.5f + 0.015f + 0.075f - 0.075f * p) * (1 - fogFade);
    return {"colladascene_" + std::to_string(static_cast<int>(ms / 1000)), 53, 1.333f, 0.1f, 32768, v3(eye),
            v3(target), up, Mat4(), fog, p, true, -1};
}

inline View blurparticlesView(float p)
{
    float ms = timeline::kBlurParticles.start + p * (timeline::kBlurParticles.end - timeline::kBlurParticles.start);
    int n = beatIndexAt(ms) / 3 + 4;
    float a = p - 2.1f * n;
    Vector target = Vector(7.25f, 0, -50) + sphericalToCartesian(3, 6 * a + 3, -3.74f * a);
    return {"blurparticles", 55, 0, 4, 50, {0, -0.355f, -50}, v3(target),
            skene::normalize({0.4f, 1, 0.9f * std::sin(7.28f * p) + 0.1f}), Mat4(), 0, 0.999f, false, 10 * p};
}

inline View pressure2View(float p)
{
    float ms = timeline::kPressure2.start + p * (timeline::kPressure2.end - timeline::kPressure2.start);
    int b = beatIndexAt(ms);
    unsigned seed = b < 96 ? b : 22;
    float ang = b < 96 ? 0.19f : 0.24f, sc = b < 96 ? 0.24f : 0.2f;
    setRandomSeed(seed);
    Vector eye = Vector(0, 2.5f, -50) + randomInBox(1, 1, 1) * 4;
    Vector target = eye;
    float A = (6.28f * ang + 1.2f * (b / 6) + 0.3f * 10 * p) * (10 * sc) + 0.46f * b;
    eye += sphericalToCartesian(5, A + 3, -2.74f * A);
    float B = p + 1.2f * (b / 6);
    target += sphericalToCartesian(4, 1.4f * B + 3, -1.374f * B);
    Vec3 up = skene::normalize({0.4f * std::cos(-3.5f * B), 1, 0.9f * std::sin(2.48f * B) + 0.1f});
    return {"pressure2_" + std::to_string(static_cast<int>(p * 100)), 80, 0, 0.005f, 100, v3(eye), v3(target), up,
            Mat4(), 0.015f * 0.5f, 0.999f, false, 10 * p};
}

inline View skeneView(float p)
{
    float s = std::sin(2.7f * p) * std::sin(2.7f * p);
    Vec3 eye((9.5f - 2 * p * p) * (0.5f * s + 0.5f), 2.3f - 1.3f * p, 4 * p + 40);
    Vec3 target(0, 0, 12 * smoothStep(p, 0, 1) + 30);
    Mat4 lift = Mat4::translation({0, (0.3f - 0.1f * p) * 12 - 2.5f - 0.25f * p * p, -1});
    Mat4 tilt = Mat4::rotation((smoothStep(p, 0, 1) + 1) * 0.0174532924f, {1, 0, 0.1f * p + 0.3f});
    return {"skene1_" + std::to_string(static_cast<int>(p * 10)), 60, 0, 0.01f, 10000, eye, target, {0, 1, 0},
            lift * tilt, 0.06f, 1 + p, false, 10 * p};
}

inline View particleblobView(float p, int shot)
{
    Vector eye;
    if (shot <= 2) {
        float a = 1.75f * p;
        eye = sphericalToCartesian(1.8f - 0.25f * a, 6.28f * a, 5 * a + 1.0048f);
    } else if (shot <= 4) {
        float a = -1.15f * p, q = linearStep(p, 0.250468f, 0.412807f);
        eye = sphericalToCartesian(1.8f - 0.85f * q - 0.25f * a + 0.44f, -4 * 6.28f * 0.34f * a, 3.3284f - 5 * a);
    } else {
        float a = 0.5f * p;
        eye = sphericalToCartesian(1.8f - 0.25f * a + 0.6656f + 0.063f, 4 * 6.28f * 0.656f * a, 5 * a + 1.33136f);
    }
    eye.y = eye.y + (eye.y - 0.75f) * (eye.y - 0.75f);
    if (eye.y <= 0.75f)
        eye.y = 0.75f;
    Vec3 target(0.05f * std::sin(6.28f * p), 1 + 0.2f * std::sin(9.28f * p), 0);
    return {"particleblob_" + std::to_string(shot), 63, 0, 0.5f, 300, v3(eye), target, {0, 1, 0},
            Mat4::translation({0, 0, -37.6f}), 0.1f, 2 + p, true, -1};
}

} // namespace skenetest
