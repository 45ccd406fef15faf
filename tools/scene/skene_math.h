// skene_math.h - the small vector and matrix kit of the scene generator.
//
// Matrices are column-major like OpenGL (elements 12, 13, 14 hold the translation). Everything is
// single precision and free of platform calls, so the generator's output is the same on every run.
#pragma once

#include <cmath>

namespace skene {

constexpr float kPi = 3.14159265358979f;

struct Vec3 {
    float x = 0, y = 0, z = 0;

    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vec3& a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(const Vec3& a)
{
    float l = length(a);
    return l > 0 ? a * (1.0f / l) : Vec3(0, 1, 0);
}
inline Vec3 mul(const Vec3& a, const Vec3& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline Vec3 lerp(const Vec3& a, const Vec3& b, float t) { return a + (b - a) * t; }

struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Mat4 operator*(const Mat4& o) const
    {
        Mat4 r;
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row) {
                float s = 0;
                for (int k = 0; k < 4; ++k)
                    s += m[k * 4 + row] * o.m[c * 4 + k];
                r.m[c * 4 + row] = s;
            }
        return r;
    }
    Vec3 point(const Vec3& p) const
    {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }
    Vec3 direction(const Vec3& d) const
    {
        return {m[0] * d.x + m[4] * d.y + m[8] * d.z, m[1] * d.x + m[5] * d.y + m[9] * d.z,
                m[2] * d.x + m[6] * d.y + m[10] * d.z};
    }

    static Mat4 translation(const Vec3& t)
    {
        Mat4 r;
        r.m[12] = t.x;
        r.m[13] = t.y;
        r.m[14] = t.z;
        return r;
    }
    static Mat4 scaling(const Vec3& s)
    {
        Mat4 r;
        r.m[0] = s.x;
        r.m[5] = s.y;
        r.m[10] = s.z;
        return r;
    }
    // Right-handed rotation by `radians` about `axis` (as glRotate).
    static Mat4 rotation(float radians, Vec3 axis)
    {
        axis = normalize(axis);
        float c = std::cos(radians), s = std::sin(radians), t = 1 - c;
        Mat4 r;
        r.m[0] = t * axis.x * axis.x + c;
        r.m[1] = t * axis.x * axis.y + s * axis.z;
        r.m[2] = t * axis.x * axis.z - s * axis.y;
        r.m[4] = t * axis.x * axis.y - s * axis.z;
        r.m[5] = t * axis.y * axis.y + c;
        r.m[6] = t * axis.y * axis.z + s * axis.x;
        r.m[8] = t * axis.x * axis.z + s * axis.y;
        r.m[9] = t * axis.y * axis.z - s * axis.x;
        r.m[10] = t * axis.z * axis.z + c;
        return r;
    }
    // The camera-to-world matrix of an eye looking at `target` (the inverse of a look-at view).
    static Mat4 cameraToWorld(const Vec3& eye, const Vec3& target, const Vec3& up)
    {
        Vec3 back = normalize(eye - target);
        Vec3 right = normalize(cross(up, back));
        Vec3 trueUp = cross(back, right);
        Mat4 r;
        r.m[0] = right.x, r.m[1] = right.y, r.m[2] = right.z;
        r.m[4] = trueUp.x, r.m[5] = trueUp.y, r.m[6] = trueUp.z;
        r.m[8] = back.x, r.m[9] = back.y, r.m[10] = back.z;
        r.m[12] = eye.x, r.m[13] = eye.y, r.m[14] = eye.z;
        return r;
    }
};

// A deterministic hash to [0, 1) for per-item variation (phases, noise).
inline float hashUnit(unsigned n)
{
    n = (n << 13) ^ n;
    n = n * (n * n * 15731u + 789221u) + 1376312589u;
    return static_cast<float>(n & 0x00ffffffu) / 16777216.0f;
}

} // namespace skene
