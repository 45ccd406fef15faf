// skene_shapes.cpp - the building blocks of the structure.
#include "skene_shapes.h"

#include <algorithm>
#include <cmath>

namespace skene {

namespace {

// Texture coordinates of a point on a flat face: the two axes the face does not point along.
void planarUV(const Vec3& p, const Vec3& n, float& u, float& v)
{
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ax >= ay && ax >= az) {
        u = p.z;
        v = p.y;
    } else if (ay >= az) {
        u = p.x;
        v = p.z;
    } else {
        u = p.x;
        v = p.y;
    }
}

uint32_t addFlatVertex(Group& g, const Vec3& p, const Vec3& n)
{
    float u, v;
    planarUV(p, n, u, v);
    return addVertex(g, p, n, u, v);
}

// Triangle (a, b, c) wound so that it faces `n`.
void addFacing(Group& g, uint32_t a, uint32_t b, uint32_t c, const Vec3& n)
{
    const Vec3& pa = g.vertices[a].position;
    Vec3 face = cross(g.vertices[b].position - pa, g.vertices[c].position - pa);
    if (dot(face, n) >= 0)
        addTriangle(g, a, b, c);
    else
        addTriangle(g, a, c, b);
}

} // namespace

uint32_t addVertex(Group& g, const Vec3& p, const Vec3& n, float u, float v)
{
    Vertex vertex;
    vertex.position = p;
    vertex.normal = normalize(n);
    vertex.u = u;
    vertex.v = v;
    g.vertices.push_back(vertex);
    return static_cast<uint32_t>(g.vertices.size() - 1);
}

void addTriangle(Group& g, uint32_t a, uint32_t b, uint32_t c)
{
    g.indices.push_back(a);
    g.indices.push_back(b);
    g.indices.push_back(c);
}

void addFlatPolygon(Group& g, const std::vector<Vec3>& corners, const Vec3& normal)
{
    if (corners.size() < 3)
        return;
    Vec3 n = normalize(normal);
    std::vector<uint32_t> ids;
    for (const Vec3& c : corners)
        ids.push_back(addFlatVertex(g, c, n));
    for (size_t i = 1; i + 1 < ids.size(); ++i)
        addFacing(g, ids[0], ids[i], ids[i + 1], n);
}

void addBox(Group& g, const Vec3& lo, const Vec3& hi, unsigned faces)
{
    auto quad = [&](Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 n) { addFlatPolygon(g, {a, b, c, d}, n); };
    if (faces & FaceMinX)
        quad({lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, hi.y, lo.z}, {-1, 0, 0});
    if (faces & FaceMaxX)
        quad({hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}, {1, 0, 0});
    if (faces & FaceMinY)
        quad({lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}, {0, -1, 0});
    if (faces & FaceMaxY)
        quad({lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}, {0, 1, 0});
    if (faces & FaceMinZ)
        quad({lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z}, {0, 0, -1});
    if (faces & FaceMaxZ)
        quad({lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}, {0, 0, 1});
}

void addBeam(Group& g, const Vec3& a, const Vec3& b, float halfWidth)
{
    Vec3 axis = normalize(b - a);
    Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0);
    Vec3 s = normalize(cross(helper, axis)) * halfWidth;
    Vec3 t = normalize(cross(axis, s)) * halfWidth;
    const Vec3 offsets[4] = {-s - t, s - t, s + t, -s + t};
    for (int i = 0; i < 4; ++i) {
        const Vec3& o0 = offsets[i];
        const Vec3& o1 = offsets[(i + 1) % 4];
        addFlatPolygon(g, {a + o0, a + o1, b + o1, b + o0}, o0 + o1);
    }
    addFlatPolygon(g, {a + offsets[0], a + offsets[1], a + offsets[2], a + offsets[3]}, -axis);
    addFlatPolygon(g, {b + offsets[0], b + offsets[1], b + offsets[2], b + offsets[3]}, axis);
}

void addColumn(Group& g, const Vec3& centre, float y0, float y1, float r0, float r1, int sides, int rings,
               bool capBottom, bool capTop)
{
    // The side normal tilts outwards-up by the slope of the frustum.
    float slope = (r0 - r1) / std::max(y1 - y0, 1e-6f);
    uint32_t base = static_cast<uint32_t>(g.vertices.size());
    for (int r = 0; r <= rings; ++r) {
        float t = static_cast<float>(r) / rings;
        float y = y0 + (y1 - y0) * t;
        float radius = r0 + (r1 - r0) * t;
        for (int s = 0; s <= sides; ++s) {
            float a = 2 * kPi * static_cast<float>(s) / sides;
            Vec3 dir(std::cos(a), 0, std::sin(a));
            Vec3 n(dir.x, slope, dir.z);
            addVertex(g, {centre.x + dir.x * radius, y, centre.z + dir.z * radius}, n, a * radius, y);
        }
    }
    uint32_t row = static_cast<uint32_t>(sides + 1);
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            uint32_t a = base + r * row + s, b = a + 1, c = a + row, d = c + 1;
            addTriangle(g, a, c, b);
            addTriangle(g, b, c, d);
        }
    auto cap = [&](float y, float radius, float ny) {
        std::vector<Vec3> corners;
        for (int s = 0; s < sides; ++s) {
            float a = 2 * kPi * static_cast<float>(s) / sides;
            corners.push_back({centre.x + std::cos(a) * radius, y, centre.z + std::sin(a) * radius});
        }
        addFlatPolygon(g, corners, {0, ny, 0});
    };
    if (capBottom)
        cap(y0, r0, -1);
    if (capTop)
        cap(y1, r1, 1);
}

namespace {

// Where the ray from (cu, cv) along (du, dv) leaves the rectangle.
void rectangleExit(const Panel& p, float du, float dv, float& u, float& v)
{
    float t = 1e30f;
    if (du > 1e-6f)
        t = std::min(t, (p.u1 - p.cu) / du);
    if (du < -1e-6f)
        t = std::min(t, (p.u0 - p.cu) / du);
    if (dv > 1e-6f)
        t = std::min(t, (p.v1 - p.cv) / dv);
    if (dv < -1e-6f)
        t = std::min(t, (p.v0 - p.cv) / dv);
    u = p.cu + du * t;
    v = p.cv + dv * t;
}

// Angle of (u, v) about the opening's centre, in [a0, a0 + 2 pi).
float angleFrom(const Panel& p, float u, float v)
{
    float a = std::atan2(v - p.cv, u - p.cu);
    while (a < p.a0)
        a += 2 * kPi;
    while (a >= p.a0 + 2 * kPi)
        a -= 2 * kPi;
    return a;
}

} // namespace

void addPanel(Group& g, const Panel& p)
{
    Vec3 normal = normalize(cross(p.right, p.up));
    Vec3 half = normal * (p.thickness * 0.5f);
    auto at = [&](float u, float v) { return p.origin + p.right * u + p.up * v; };

    const float cornerU[4] = {p.u0, p.u1, p.u1, p.u0};
    const float cornerV[4] = {p.v0, p.v0, p.v1, p.v1};
    for (int i = 0; i < p.segments; ++i) {
        float a = p.a0 + (p.a1 - p.a0) * i / p.segments;
        float b = p.a0 + (p.a1 - p.a0) * (i + 1) / p.segments;
        float ou0, ov0, ou1, ov1;
        rectangleExit(p, std::cos(a), std::sin(a), ou0, ov0);
        rectangleExit(p, std::cos(b), std::sin(b), ou1, ov1);
        // The wedge between the two rays: inner chord, outer boundary (with any corner it holds).
        std::vector<Vec3> wedge = {at(p.cu + p.radius * std::cos(a), p.cv + p.radius * std::sin(a)),
                                   at(p.cu + p.radius * std::cos(b), p.cv + p.radius * std::sin(b)),
                                   at(ou1, ov1)};
        float wa = angleFrom(p, std::cos(a) + p.cu, std::sin(a) + p.cv);
        float wb = angleFrom(p, std::cos(b) + p.cu, std::sin(b) + p.cv);
        if (wb <= wa)
            wb += 2 * kPi;
        // Corners inside the wedge, walked from the second ray back to the first.
        std::vector<std::pair<float, int>> inside;
        for (int c = 0; c < 4; ++c) {
            float ca = angleFrom(p, cornerU[c], cornerV[c]);
            if (ca < wa)
                ca += 2 * kPi;
            if (ca > wa + 1e-4f && ca < wb - 1e-4f)
                inside.push_back({-ca, c});
        }
        std::sort(inside.begin(), inside.end());
        for (const auto& corner : inside)
            wedge.push_back(at(cornerU[corner.second], cornerV[corner.second]));
        wedge.push_back(at(ou0, ov0));
        std::vector<Vec3> front, back;
        for (const Vec3& w : wedge) {
            front.push_back(w + half);
            back.push_back(w - half);
        }
        addFlatPolygon(g, front, normal);
        addFlatPolygon(g, back, -normal);
    }

    // The opening's own surface, smooth, facing its centre.
    uint32_t base = static_cast<uint32_t>(g.vertices.size());
    for (int i = 0; i <= p.segments; ++i) {
        float a = p.a0 + (p.a1 - p.a0) * i / p.segments;
        Vec3 rim = at(p.cu + p.radius * std::cos(a), p.cv + p.radius * std::sin(a));
        Vec3 n = -(p.right * std::cos(a) + p.up * std::sin(a));
        float arc = a * p.radius;
        addVertex(g, rim + half, n, arc, 0);
        addVertex(g, rim - half, n, arc, p.thickness);
    }
    for (int i = 0; i < p.segments; ++i) {
        uint32_t f0 = base + 2 * i, b0 = f0 + 1, f1 = f0 + 2, b1 = f0 + 3;
        Vec3 n = g.vertices[f0].normal + g.vertices[f1].normal;
        addFacing(g, f0, b0, f1, n);
        addFacing(g, f1, b0, b1, n);
    }

    // The slab's outer edges; an arch's springing line only outside the opening.
    auto edge = [&](float ua, float va, float ub, float vb, const Vec3& n) {
        addFlatPolygon(g, {at(ua, va) + half, at(ub, vb) + half, at(ub, vb) - half, at(ua, va) - half}, n);
    };
    Vec3 r = normalize(p.right), u = normalize(p.up);
    edge(p.u0, p.v0, p.u0, p.v1, -r);
    edge(p.u1, p.v0, p.u1, p.v1, r);
    edge(p.u0, p.v1, p.u1, p.v1, u);
    if (p.cv - p.radius > p.v0 + 1e-4f) {
        edge(p.u0, p.v0, p.u1, p.v0, -u);
    } else {
        if (p.cu - p.radius > p.u0 + 1e-4f)
            edge(p.u0, p.v0, p.cu - p.radius, p.v0, -u);
        if (p.cu + p.radius < p.u1 - 1e-4f)
            edge(p.cu + p.radius, p.v0, p.u1, p.v0, -u);
    }
}

void addTorus(Group& g, const Vec3& centre, const Vec3& axis, float major, float minor, int segments, int sides)
{
    Vec3 n = normalize(axis);
    Vec3 helper = std::fabs(n.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0);
    Vec3 e1 = normalize(cross(helper, n));
    Vec3 e2 = cross(n, e1);
    uint32_t base = static_cast<uint32_t>(g.vertices.size());
    for (int i = 0; i <= segments; ++i) {
        float a = 2 * kPi * i / segments;
        Vec3 radial = e1 * std::cos(a) + e2 * std::sin(a);
        for (int j = 0; j <= sides; ++j) {
            float b = 2 * kPi * j / sides;
            Vec3 out = radial * std::cos(b) + n * std::sin(b);
            addVertex(g, centre + radial * major + out * minor, out, a * major, b * minor);
        }
    }
    uint32_t row = static_cast<uint32_t>(sides + 1);
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) {
            uint32_t a = base + i * row + j, b = a + 1, c = a + row, d = c + 1;
            Vec3 outward = g.vertices[a].normal + g.vertices[d].normal;
            addFacing(g, a, c, b, outward);
            addFacing(g, b, c, d, outward);
        }
}

void addFloorGrid(Group& g, const std::vector<float>& xs, const std::vector<float>& zs, float y)
{
    uint32_t base = static_cast<uint32_t>(g.vertices.size());
    for (float z : zs)
        for (float x : xs)
            addVertex(g, {x, y, z}, {0, 1, 0}, x, z);
    uint32_t row = static_cast<uint32_t>(xs.size());
    for (size_t j = 0; j + 1 < zs.size(); ++j)
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            uint32_t a = base + static_cast<uint32_t>(j) * row + static_cast<uint32_t>(i), b = a + 1, c = a + row,
                     d = c + 1;
            addFacing(g, a, b, d, {0, 1, 0});
            addFacing(g, a, d, c, {0, 1, 0});
        }
}

void addSphere(Group& g, const Vec3& centre, float radius, int slices, int stacks)
{
    uint32_t base = static_cast<uint32_t>(g.vertices.size());
    for (int j = 0; j <= stacks; ++j) {
        float b = kPi * j / stacks - kPi * 0.5f;
        for (int i = 0; i <= slices; ++i) {
            float a = 2 * kPi * i / slices;
            Vec3 n(std::cos(b) * std::cos(a), std::sin(b), std::cos(b) * std::sin(a));
            addVertex(g, centre + n * radius, n, a * radius, b * radius);
        }
    }
    uint32_t row = static_cast<uint32_t>(slices + 1);
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i) {
            uint32_t a = base + j * row + i, b = a + 1, c = a + row, d = c + 1;
            Vec3 outward = g.vertices[a].normal + g.vertices[d].normal;
            if (j > 0)
                addFacing(g, a, b, d, outward);
            if (j + 1 < stacks)
                addFacing(g, a, d, c, outward);
        }
}

} // namespace skene
