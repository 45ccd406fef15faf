// The engine's vector and matrix types.
#include "engine_api.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

void expectNear(const Vector3& a, const Vector3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

} // namespace

TEST(Vector3, CrossProductAndNormalize)
{
    expectNear(Vector3(1, 0, 0).crossProduct(Vector3(0, 1, 0)), Vector3(0, 0, 1));
    Vector3 v(3, 0, 4);
    v.normalize();
    expectNear(v, Vector3(0.6f, 0, 0.8f));
    Vector3 zero;
    zero.normalize();
    expectNear(zero, Vector3(0, 0, 0));
    EXPECT_EQ(Vector3(1, 2, 2).sqLength(), 9.0f);
}

TEST(Matrix4, RotationFollowsTheRightHandRule)
{
    Matrix4 r = Matrix4::makeRotation(static_cast<float>(M_PI / 2), 0, 0, 1);
    expectNear(r * Vector3(1, 0, 0), Vector3(0, 1, 0));
    Matrix4 x = Matrix4::makeRotation(static_cast<float>(M_PI / 2), 2, 0, 0); // axis normalised
    expectNear(x * Vector3(0, 1, 0), Vector3(0, 0, 1));
}

TEST(Matrix4, RotateAndScaleChangeTheMatrixInPlaceKeepingTranslation)
{
    Matrix4 m = Matrix4::makeTranslation(5, 6, 7);
    m.rotateZ(static_cast<float>(M_PI / 2));
    expectNear(m * Vector3(1, 0, 0), Vector3(5, 7, 7));
    m.scaleX(2);
    expectNear(m * Vector3(1, 0, 0), Vector3(5, 8, 7));
    EXPECT_EQ(m[12], 5.0f);
    expectNear(m.multipleBy3x3(Vector3(1, 0, 0)), Vector3(0, 2, 0));
}

TEST(Matrix4, ProductAppliesTheRightOperandFirst)
{
    Matrix4 t = Matrix4::makeTranslation(1, 0, 0);
    Matrix4 s = Matrix4::makeScaleXYZ(2, 2, 2);
    expectNear((t * s) * Vector3(1, 1, 1), Vector3(3, 2, 2));
    expectNear((s * t) * Vector3(1, 1, 1), Vector3(4, 2, 2));
    Matrix4 tt = t.transpose();
    EXPECT_EQ(tt[3], 1.0f);
}
