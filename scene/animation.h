// animation.h - keyframe tracks that move scene nodes, and the player that runs them.
//
// A track (Animation) drives one value of one node's local matrix: a rotation about a main axis,
// a scale along one, or one translation element. Each update first resets the rotation and scale
// part of every animated node to identity, then applies the tracks in ascending attribute order
// (rotations Z, Y, X, then scales, then translations), so a pose depends only on the time given,
// never on earlier frames (translation elements outside their track's range keep their last value).
//
// Times are in the document's key time unit (seconds in COLLADA); rotation values and tangent
// values of rotation tracks are radians.
#pragma once

#include "containers/containers.h"

#include <string>

class SceneNode;

using BRAVIK_LUMENVAT::Array;
using BRAVIK_LUMENVAT::Map;

// The value a track drives.
enum AnimationAttribute {
    ANIMATION_ROTATE_Z = 0,
    ANIMATION_ROTATE_Y = 1,
    ANIMATION_ROTATE_X = 2,
    ANIMATION_SCALE_X = 3,
    ANIMATION_SCALE_Y = 4,
    ANIMATION_SCALE_Z = 5,
    ANIMATION_TRANSLATE_X = 6,
    ANIMATION_TRANSLATE_Y = 7,
    ANIMATION_TRANSLATE_Z = 8,
    ANIMATION_NONE = 9,
};

enum Interpolation {
    INTERPOLATION_STEP = 0,
    INTERPOLATION_LINEAR = 1,
    INTERPOLATION_BEZIER = 2,
};

// What a COLLADA sampler input supplies to the keys.
enum SamplerRole {
    SAMPLER_INPUT = 0,
    SAMPLER_OUTPUT = 1,
    SAMPLER_IN_TANGENT = 2,
    SAMPLER_OUT_TANGENT = 3,
    SAMPLER_INTERPOLATION = 4,
    SAMPLER_OTHER = 5,
};

struct AnimationKeyFrame {
    float time = 0;
    float value = 0;
    float inTangentTime = 0;
    float outTangentTime = 0;
    float inTangentValue = 0;
    float outTangentValue = 0;
    // A key without an interpolation of its own (or with one this player lacks) interpolates linearly.
    Interpolation interpolation = INTERPOLATION_LINEAR;
};

class Animation {
public:
    Animation() = default;
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;
    ~Animation(); // deletes the keys and the child tracks

    // The keys around t: prev.time <= t <= next.time. Before the first key prev is that key and
    // next is null; after the last, prev is null and next is the last key. Needs at least one key.
    void findKeys(float t, AnimationKeyFrame*& prev, AnimationKeyFrame*& next) const;
    // The track's value at t; false when it has no keys.
    bool evaluate(float t, float& value) const;
    // Sets the rotation and scale part of the target's local matrix to identity (rotate and scale
    // tracks only), recursively for the children.
    void resetPose();
    // Writes the value at t into the target when start <= t <= end, then does the same for the children.
    void apply(float t);

    Array<Animation*> children;
    AnimationAttribute attribute = ANIMATION_NONE;
    SceneNode* target = nullptr;
    float startTime = 0;
    float endTime = 1;
    Array<AnimationKeyFrame*> keys; // ascending time as authored
    // The channel target it was built from ("node/translate.X"), for tools and logs.
    std::string channel;
};

class AnimationPlayer {
public:
    AnimationPlayer() = default;
    AnimationPlayer(const AnimationPlayer&) = delete;
    AnimationPlayer& operator=(const AnimationPlayer&) = delete;
    virtual ~AnimationPlayer(); // deletes the tracks

    void add(Animation* track);
    // Stable sort of the top-level tracks by ascending attribute; children keep their order.
    void sortByAttribute();
    // Reset pass over every track, then the apply pass in track order.
    void update(float time);

    Array<Animation*> tracks;
};

// The parameter s in [0, 1] at which the cubic Bezier with control values x0..x3 reaches t, by
// repeated halving of the curve (at most 1000 steps). Single precision throughout.
float solveBezierParameter(float t, float x0, float x1, float x2, float x3);
