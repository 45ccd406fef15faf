// math.cpp - the engine's vector and matrix types. Matrices are column-major, as GL takes them.
#include "lumenvat_local.h"

#include <cmath>

namespace BRAVIK_LUMENVAT {

float Vector3::length() const
{
    return std::sqrt(sqLength());
}

Vector3 Vector3::crossProduct(const Vector3& o) const
{
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
}

Vector3& Vector3::normalize()
{
    float l = length();
    if (l > 0) {
        x /= l;
        y /= l;
        z /= l;
    }
    return *this;
}

float Vector::length() const
{
    return std::sqrt(sqLength());
}

Vector Vector::crossProduct(const Vector& o) const
{
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x, w};
}

Vector& Vector::normalize()
{
    float l = length();
    if (l > 0) {
        x /= l;
        y /= l;
        z /= l;
    }
    return *this;
}

void Matrix::makeIdentity()
{
    *this = Matrix();
}

Vector3 Matrix::operator*(const Vector3& v) const
{
    return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
            m[2] * v.x + m[5] * v.y + m[8] * v.z};
}

Matrix Matrix::operator*(const Matrix& o) const
{
    Matrix r;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            r.m[c * 3 + row] = m[row] * o.m[c * 3] + m[3 + row] * o.m[c * 3 + 1] + m[6 + row] * o.m[c * 3 + 2];
    return r;
}

Matrix Matrix::transpose() const
{
    Matrix r;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            r.m[c * 3 + row] = m[row * 3 + c];
    return r;
}

void Matrix4::makeIdentity()
{
    *this = Matrix4();
}

// Built row by row, as the engine always has: read by GL (column-major) it turns the opposite way
// to rotateX/Y/Z, by -angle about the axis. The COLLADA reader negates its angles for it.
Matrix4 Matrix4::makeRotation(float angle, float x, float y, float z)
{
    Matrix4 r;
    float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 0)
        return r;
    x /= length;
    y /= length;
    z /= length;
    float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    r.m[0] = t * x * x + c;
    r.m[4] = t * x * y + s * z;
    r.m[8] = t * x * z - s * y;
    r.m[1] = t * x * y - s * z;
    r.m[5] = t * y * y + c;
    r.m[9] = t * y * z + s * x;
    r.m[2] = t * x * z + s * y;
    r.m[6] = t * y * z - s * x;
    r.m[10] = t * z * z + c;
    return r;
}

Matrix4 Matrix4::makeScaleXYZ(float x, float y, float z)
{
    Matrix4 r;
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

Matrix4 Matrix4::makeTranslation(float x, float y, float z)
{
    Matrix4 r;
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix4 Matrix4::operator*(const Matrix4& o) const
{
    Matrix4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            r.m[c * 4 + row] = m[row] * o.m[c * 4] + m[4 + row] * o.m[c * 4 + 1] + m[8 + row] * o.m[c * 4 + 2] +
                               m[12 + row] * o.m[c * 4 + 3];
    return r;
}

Vector3 Matrix4::operator*(const Vector3& v) const
{
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12], m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13],
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14]};
}

Vector3 Matrix4::multipleBy3x3(const Vector3& v) const
{
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
            m[2] * v.x + m[6] * v.y + m[10] * v.z};
}

Matrix4 Matrix4::transpose() const
{
    Matrix4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            r.m[c * 4 + row] = m[row * 4 + c];
    return r;
}

Matrix4 Matrix4::rotateX(float angle)
{
    *this = *this * makeRotation(-angle, 1, 0, 0);
    return *this;
}

Matrix4 Matrix4::rotateY(float angle)
{
    *this = *this * makeRotation(-angle, 0, 1, 0);
    return *this;
}

Matrix4 Matrix4::rotateZ(float angle)
{
    *this = *this * makeRotation(-angle, 0, 0, 1);
    return *this;
}

Matrix4 Matrix4::scaleX(float s)
{
    *this = *this * makeScaleXYZ(s, 1, 1);
    return *this;
}

Matrix4 Matrix4::scaleY(float s)
{
    *this = *this * makeScaleXYZ(1, s, 1);
    return *this;
}

Matrix4 Matrix4::scaleZ(float s)
{
    *this = *this * makeScaleXYZ(1, 1, s);
    return *this;
}

} // namespace BRAVIK_LUMENVAT
