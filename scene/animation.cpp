// animation.cpp - keyframe evaluation (step, linear, Bezier) and the player's reset and apply passes.
#include "scene/animation.h"

#include "scene/scene.h"

#include <cmath>

Animation::~Animation()
{
    for (AnimationKeyFrame* key : keys.items)
        delete key;
    for (Animation* child : children.items)
        delete child;
}

void Animation::findKeys(float t, AnimationKeyFrame*& prev, AnimationKeyFrame*& next) const
{
    const std::vector<AnimationKeyFrame*>& k = keys.items;
    prev = k.front();
    next = k.back();
    if (t < prev->time) {
        next = nullptr;
        return;
    }
    if (t > next->time) {
        prev = nullptr;
        return;
    }
    // A key whose time equals t ends up as next: the comparison below is strict.
    size_t lo = 0, hi = k.size() - 1;
    while (hi - lo > 1) {
        size_t mid = lo + (hi - lo) / 2;
        if (t > k[mid]->time) {
            lo = mid;
            prev = k[mid];
        } else {
            hi = mid;
            next = k[mid];
        }
    }
}

float solveBezierParameter(float t, float x0, float x1, float x2, float x3)
{
    if (t - x0 < 1e-20f)
        return 0;
    if (x3 - t < 1e-20f)
        return 1;
    float lo = 0, hi = 1;
    for (int step = 0; step < 1000; ++step) {
        float m = (x1 + x2) / 2, o = (x2 + x3) / 2, r = (m + o) / 2;
        float a = (x0 + x1) / 2, b = (m + a) / 2, p = (r + b) / 2;
        float u = (lo + hi) / 2;
        if (std::fabs(p - t) < 1e-9f)
            return std::fmin(std::fmax(u, 0.0f), 1.0f);
        if (t > p) {
            lo = u;
            x0 = p;
            x1 = r;
            x2 = o;
        } else {
            hi = u;
            x1 = a;
            x2 = b;
            x3 = p;
        }
    }
    return std::fmin(std::fmax((lo + hi) / 2, 0.0f), 1.0f);
}

bool Animation::evaluate(float t, float& value) const
{
    if (keys.size() == 0)
        return false;
    AnimationKeyFrame *prev, *next;
    findKeys(t, prev, next);
    if (!prev) {
        value = next->value;
        return true;
    }
    if (!next || prev == next || prev->interpolation == INTERPOLATION_STEP) {
        value = prev->value;
        return true;
    }
    if (prev->interpolation == INTERPOLATION_BEZIER) {
        float s = solveBezierParameter(t, prev->time, prev->outTangentTime, next->inTangentTime, next->time);
        float u = 1 - s;
        value = u * u * u * prev->value + 3 * u * u * s * prev->outTangentValue + 3 * u * s * s * next->inTangentValue +
                s * s * s * next->value;
        return true;
    }
    float span = next->time - prev->time;
    // Two keys at one time form a jump: at that time the later value holds.
    if (span == 0) {
        value = next->value;
        return true;
    }
    value = prev->value + ((t - prev->time) / span) * (next->value - prev->value);
    return true;
}

void Animation::resetPose()
{
    if (target && attribute <= ANIMATION_SCALE_Z) {
        Matrix4 identity;
        for (int i = 0; i < 12; ++i)
            target->local[i] = identity[i];
    }
    for (Animation* child : children.items)
        child->resetPose();
}

void Animation::apply(float t)
{
    float v;
    if (target && t >= startTime && t <= endTime && evaluate(t, v)) {
        Matrix4& m = target->local;
        switch (attribute) {
        case ANIMATION_ROTATE_Z: m.rotateZ(v); break;
        case ANIMATION_ROTATE_Y: m.rotateY(v); break;
        case ANIMATION_ROTATE_X: m.rotateX(v); break;
        case ANIMATION_SCALE_X: m.scaleX(v); break;
        case ANIMATION_SCALE_Y: m.scaleY(v); break;
        case ANIMATION_SCALE_Z: m.scaleZ(v); break;
        case ANIMATION_TRANSLATE_X: m[12] = v; break;
        case ANIMATION_TRANSLATE_Y: m[13] = v; break;
        case ANIMATION_TRANSLATE_Z: m[14] = v; break;
        case ANIMATION_NONE: break;
        }
    }
    for (Animation* child : children.items)
        child->apply(t);
}

AnimationPlayer::~AnimationPlayer()
{
    for (Animation* track : tracks.items)
        delete track;
}

void AnimationPlayer::add(Animation* track)
{
    tracks.add(track);
}

void AnimationPlayer::sortByAttribute()
{
    // Bubble sort: equal attributes keep their document order.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (unsigned i = 0; i + 1 < tracks.size(); ++i) {
            if (tracks.get(i + 1)->attribute < tracks.get(i)->attribute) {
                tracks.swap(static_cast<int>(i), static_cast<int>(i + 1));
                swapped = true;
            }
        }
    }
}

void AnimationPlayer::update(float time)
{
    for (Animation* track : tracks.items)
        track->resetPose();
    for (Animation* track : tracks.items)
        track->apply(time);
}

// The containers of animation tracks, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Array<Animation*>;
template class Array<AnimationKeyFrame*>;
template class Map<AnimationAttribute>;
} // namespace BRAVIK_LUMENVAT
