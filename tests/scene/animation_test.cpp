// Keyframe tracks: the bracket search, step/linear/Bezier evaluation, the reset pass, the order
// in which tracks apply, and that a pose depends only on the time given.
#include "scene/animation.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using BRAVIK_LUMENVAT::Matrix4;

namespace {

Animation* track(AnimationAttribute attribute, SceneNode* target, std::initializer_list<std::pair<float, float>> keys,
                 Interpolation interpolation = INTERPOLATION_LINEAR)
{
    Animation* a = new Animation;
    a->attribute = attribute;
    a->target = target;
    for (const auto& k : keys) {
        AnimationKeyFrame* key = new AnimationKeyFrame;
        key->time = k.first;
        key->value = k.second;
        key->interpolation = interpolation;
        a->keys.add(key);
    }
    if (a->keys.size() > 0) {
        a->startTime = a->keys.getFirst()->time;
        a->endTime = a->keys.getLast()->time;
    }
    return a;
}

float valueAt(const Animation& a, float t)
{
    float v = -999;
    EXPECT_TRUE(a.evaluate(t, v));
    return v;
}

void expectMatrixNear(const Matrix4& actual, const Matrix4& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "element " << i;
}

} // namespace

TEST(AnimationFindKeys, BracketsTheTimeWithAdjacentKeysAndTakesAnExactKeyAsNext)
{
    std::unique_ptr<Animation> four(track(ANIMATION_NONE, nullptr, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    AnimationKeyFrame *prev, *next;
    four->findKeys(1.5f, prev, next);
    EXPECT_EQ(prev, four->keys.get(1));
    EXPECT_EQ(next, four->keys.get(2));
    four->findKeys(2, prev, next);
    EXPECT_EQ(next, four->keys.get(2));
    EXPECT_EQ(prev, four->keys.get(1));
    four->findKeys(-1, prev, next);
    EXPECT_EQ(prev, four->keys.get(0));
    EXPECT_EQ(next, nullptr);
    four->findKeys(4, prev, next);
    EXPECT_EQ(prev, nullptr);
    EXPECT_EQ(next, four->keys.get(3));

    std::unique_ptr<Animation> twelve(track(ANIMATION_NONE, nullptr, {}));
    for (int i = 0; i < 12; ++i) {
        twelve->keys.add(new AnimationKeyFrame);
        twelve->keys.getLast()->time = static_cast<float>(i);
    }
    twelve->findKeys(9.5f, prev, next);
    EXPECT_EQ(prev, twelve->keys.get(9));
    EXPECT_EQ(next, twelve->keys.get(10));
}

TEST(AnimationEvaluate, LinearInterpolatesBetweenTheBracketingKeysAndHoldsOutsideThem)
{
    std::unique_ptr<Animation> a(track(ANIMATION_NONE, nullptr, {{0, 0}, {1, 10}, {2, 30}, {3, 60}}));
    EXPECT_FLOAT_EQ(valueAt(*a, 1.5f), 20);
    EXPECT_FLOAT_EQ(valueAt(*a, 2), 30) << "exactly on a key";
    EXPECT_FLOAT_EQ(valueAt(*a, -5), 0);
    EXPECT_FLOAT_EQ(valueAt(*a, 7), 60);

    std::unique_ptr<Animation> one(track(ANIMATION_NONE, nullptr, {{4, 2.5f}}));
    EXPECT_FLOAT_EQ(valueAt(*one, 4), 2.5f);

    std::unique_ptr<Animation> none(track(ANIMATION_NONE, nullptr, {}));
    float v = 7;
    EXPECT_FALSE(none->evaluate(1, v));
    EXPECT_EQ(v, 7);
}

TEST(AnimationEvaluate, StepHoldsThePreviousKeysValue)
{
    std::unique_ptr<Animation> a(track(ANIMATION_NONE, nullptr, {{0, 1}, {1, 5}}, INTERPOLATION_STEP));
    EXPECT_FLOAT_EQ(valueAt(*a, 0.99f), 1);
    EXPECT_FLOAT_EQ(valueAt(*a, 1), 1) << "t on the next key: the previous key's step still holds";
}

TEST(AnimationEvaluate, KeysAtOneTimeJumpInsteadOfDividingByZero)
{
    std::unique_ptr<Animation> a(track(ANIMATION_NONE, nullptr, {{1, 2}, {1, 8}}));
    EXPECT_FLOAT_EQ(valueAt(*a, 1), 8);
}

TEST(AnimationEvaluate, BezierWithTangentsAtThirdsMatchesLinear)
{
    std::unique_ptr<Animation> bezier(track(ANIMATION_NONE, nullptr, {{0, 0}, {3, 9}, {4, 3}}, INTERPOLATION_BEZIER));
    std::unique_ptr<Animation> linear(track(ANIMATION_NONE, nullptr, {{0, 0}, {3, 9}, {4, 3}}));
    const Array<AnimationKeyFrame*>& k = bezier->keys;
    for (unsigned i = 0; i + 1 < k.size(); ++i) {
        AnimationKeyFrame *a = k.get(i), *b = k.get(i + 1);
        a->outTangentTime = a->time + (b->time - a->time) / 3;
        a->outTangentValue = a->value + (b->value - a->value) / 3;
        b->inTangentTime = a->time + 2 * (b->time - a->time) / 3;
        b->inTangentValue = a->value + 2 * (b->value - a->value) / 3;
    }
    for (float t = 0; t <= 4; t += 0.125f)
        EXPECT_NEAR(valueAt(*bezier, t), valueAt(*linear, t), 1e-4f) << "t " << t;
}

TEST(AnimationEvaluate, BezierParameterSolvesTheTimeCurve)
{
    EXPECT_EQ(solveBezierParameter(0, 0, 1, 2, 3), 0);
    EXPECT_EQ(solveBezierParameter(3, 0, 1, 2, 3), 1);
    EXPECT_NEAR(solveBezierParameter(1.5f, 0, 1, 2, 3), 0.5f, 1e-6f);
    // Control values bunched at the start make the curve s cubed.
    EXPECT_NEAR(solveBezierParameter(0.125f, 0, 0, 0, 1), 0.5f, 1e-6f);
    EXPECT_GE(solveBezierParameter(std::nanf(""), 0, 1, 2, 3), 0) << "ends after its step limit";
}

TEST(AnimationPlayer, ResetPassClearsRotationAndScaleButKeepsTranslation)
{
    SceneNode node;
    node.local = Matrix4::makeTranslation(1, 2, 3) * Matrix4::makeScaleXYZ(5, 5, 5);
    AnimationPlayer player;
    player.add(track(ANIMATION_ROTATE_Z, &node, {{1, 0.5f}, {2, 1.0f}}));
    player.update(3);
    expectMatrixNear(node.local, Matrix4::makeTranslation(1, 2, 3));
    player.update(1.5f);
    expectMatrixNear(node.local, Matrix4::makeTranslation(1, 2, 3) * Matrix4::makeRotation(0.75f, 0, 0, 1));
}

TEST(AnimationPlayer, TracksApplyRotationsZYXThenScalesThenTranslationsWhateverTheirOrder)
{
    SceneNode node;
    AnimationPlayer player;
    player.add(track(ANIMATION_TRANSLATE_Y, &node, {{0, 4}}));
    player.add(track(ANIMATION_ROTATE_X, &node, {{0, 0.3f}}));
    player.add(track(ANIMATION_SCALE_Y, &node, {{0, 2}}));
    player.add(track(ANIMATION_ROTATE_Z, &node, {{0, 0.5f}}));
    player.add(track(ANIMATION_ROTATE_Y, &node, {{0, 0.7f}}));
    player.add(track(ANIMATION_SCALE_X, &node, {{0, 3}}));
    player.sortByAttribute();
    std::vector<int> order;
    for (const Animation* a : player.tracks.items)
        order.push_back(a->attribute);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 7}));

    player.update(0);
    Matrix4 expected;
    expected.rotateZ(0.5f);
    expected.rotateY(0.7f);
    expected.rotateX(0.3f);
    expected.scaleX(3);
    expected.scaleY(2);
    expected[13] = 4;
    expectMatrixNear(node.local, expected);
}

TEST(AnimationPlayer, PoseDependsOnlyOnTheTimeGiven)
{
    SceneNode node;
    AnimationPlayer player;
    player.add(track(ANIMATION_ROTATE_Y, &node, {{0, 0}, {2, 3}}));
    player.add(track(ANIMATION_SCALE_Z, &node, {{0, 1}, {2, 4}}, INTERPOLATION_BEZIER));
    player.update(0.7f);
    Matrix4 first = node.local;
    player.update(1.9f);
    player.update(0.7f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(node.local[i], first[i]) << "element " << i;
}

TEST(AnimationPlayer, NestedTracksApplyAfterTheirParentAndTracksWithoutTargetDoNothing)
{
    SceneNode node;
    AnimationPlayer player;
    Animation* group = track(ANIMATION_NONE, nullptr, {});
    group->children.add(track(ANIMATION_ROTATE_Z, &node, {{0, 1}}));
    group->children.add(track(ANIMATION_TRANSLATE_Z, nullptr, {{0, 9}}));
    player.add(group);
    player.add(track(ANIMATION_TRANSLATE_X, &node, {{0, 6}}));
    node.local.rotateX(2); // cleared by the nested track's reset
    player.update(0);
    Matrix4 expected = Matrix4::makeRotation(1, 0, 0, 1);
    expected[12] = 6;
    expectMatrixNear(node.local, expected);
}
