// skene_bake.cpp - the ray caster and the bake.
#include "skene_bake.h"

#include <algorithm>
#include <cmath>

namespace skene {

struct Occluders::Tree {
    struct Triangle {
        Vec3 a, e1, e2;
        Vec3 centre;
    };
    struct Node {
        Vec3 lo, hi;
        int first = 0; // leaf: first triangle; inner: index of the left child (right = left + 1)
        int count = 0; // triangles in a leaf, 0 for an inner node
    };
    std::vector<Triangle> triangles;
    std::vector<Node> nodes;

    void bounds(int first, int count, Vec3& lo, Vec3& hi) const
    {
        lo = {1e30f, 1e30f, 1e30f};
        hi = {-1e30f, -1e30f, -1e30f};
        for (int i = first; i < first + count; ++i) {
            const Triangle& t = triangles[i];
            for (const Vec3& p : {t.a, t.a + t.e1, t.a + t.e2}) {
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        }
    }

    void build(int index, int first, int count)
    {
        Node node;
        bounds(first, count, node.lo, node.hi);
        if (count <= 4) {
            node.first = first;
            node.count = count;
            nodes[index] = node;
            return;
        }
        Vec3 extent = node.hi - node.lo;
        int axis = extent.x > extent.y ? (extent.x > extent.z ? 0 : 2) : (extent.y > extent.z ? 1 : 2);
        int middle = first + count / 2;
        std::nth_element(triangles.begin() + first, triangles.begin() + middle, triangles.begin() + first + count,
                         [axis](const Triangle& a, const Triangle& b) {
                             if (a.centre[axis] != b.centre[axis])
                                 return a.centre[axis] < b.centre[axis];
                             return a.a[axis] < b.a[axis];
                         });
        node.first = static_cast<int>(nodes.size());
        node.count = 0;
        nodes[index] = node;
        nodes.push_back(Node());
        nodes.push_back(Node());
        build(node.first, first, middle - first);
        build(node.first + 1, middle, first + count - middle);
    }

    static bool hitsBox(const Node& n, const Vec3& o, const Vec3& inv, float tMax)
    {
        float t0 = 0, t1 = tMax;
        for (int a = 0; a < 3; ++a) {
            float near = (n.lo[a] - o[a]) * inv[a];
            float far = (n.hi[a] - o[a]) * inv[a];
            if (near > far)
                std::swap(near, far);
            t0 = std::max(t0, near);
            t1 = std::min(t1, far);
            if (t0 > t1)
                return false;
        }
        return true;
    }

    // Moller-Trumbore; both sides of a triangle block a ray.
    static float hitTriangle(const Triangle& t, const Vec3& o, const Vec3& d, float tMax)
    {
        Vec3 p = cross(d, t.e2);
        float det = dot(t.e1, p);
        if (std::fabs(det) < 1e-12f)
            return tMax;
        float inv = 1.0f / det;
        Vec3 s = o - t.a;
        float u = dot(s, p) * inv;
        if (u < 0 || u > 1)
            return tMax;
        Vec3 q = cross(s, t.e1);
        float v = dot(d, q) * inv;
        if (v < 0 || u + v > 1)
            return tMax;
        float dist = dot(t.e2, q) * inv;
        return dist > 0 && dist < tMax ? dist : tMax;
    }
};

Occluders::Occluders(const std::vector<Vec3>& corners) : tree(new Tree)
{
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        Tree::Triangle t;
        t.a = corners[i];
        t.e1 = corners[i + 1] - corners[i];
        t.e2 = corners[i + 2] - corners[i];
        t.centre = (corners[i] + corners[i + 1] + corners[i + 2]) * (1.0f / 3);
        tree->triangles.push_back(t);
    }
    tree->nodes.push_back(Tree::Node());
    if (!tree->triangles.empty())
        tree->build(0, 0, static_cast<int>(tree->triangles.size()));
}

Occluders::~Occluders() = default;

float Occluders::nearestHit(const Vec3& origin, const Vec3& direction, float maxDistance) const
{
    if (tree->triangles.empty())
        return maxDistance;
    Vec3 inv(1.0f / (std::fabs(direction.x) > 1e-9f ? direction.x : 1e-9f),
             1.0f / (std::fabs(direction.y) > 1e-9f ? direction.y : 1e-9f),
             1.0f / (std::fabs(direction.z) > 1e-9f ? direction.z : 1e-9f));
    float best = maxDistance;
    int stack[64];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Tree::Node& n = tree->nodes[stack[--top]];
        if (!Tree::hitsBox(n, origin, inv, best))
            continue;
        if (n.count > 0) {
            for (int i = n.first; i < n.first + n.count; ++i)
                best = Tree::hitTriangle(tree->triangles[i], origin, direction, best);
        } else if (top + 2 <= 64) {
            stack[top++] = n.first;
            stack[top++] = n.first + 1;
        }
    }
    return best;
}

float occlusionAt(const Occluders& occluders, const Vec3& p, const Vec3& n, unsigned patternSeed,
                  const OcclusionSettings& settings)
{
    Vec3 helper = std::fabs(n.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0);
    Vec3 t1 = normalize(cross(helper, n));
    Vec3 t2 = cross(n, t1);
    Vec3 origin = p + n * 0.004f;
    const float golden = 2.39996323f;
    float turn = 2 * kPi * hashUnit(patternSeed);
    float blocked = 0;
    for (int i = 0; i < settings.rays; ++i) {
        // Cosine-weighted directions: uniform over the unit disc, lifted onto the hemisphere.
        float r = std::sqrt((i + 0.5f) / settings.rays);
        float a = i * golden + turn;
        Vec3 d = t1 * (r * std::cos(a)) + t2 * (r * std::sin(a)) + n * std::sqrt(std::max(0.0f, 1 - r * r));
        float hit = occluders.nearestHit(origin, d, settings.reach);
        if (hit < settings.reach) {
            float f = hit / settings.reach;
            blocked += 1 - f * f;
        }
    }
    return 1 - blocked / settings.rays;
}

Vec3 glowLightAt(const Occluders& occluders, const std::vector<Emitter>& emitters, const Vec3& p, const Vec3& n)
{
    Vec3 total;
    Vec3 origin = p + n * 0.004f;
    for (const Emitter& e : emitters) {
        Vec3 toward = e.position - origin;
        float d2 = dot(toward, toward);
        float reach = 3 * e.radius;
        if (d2 >= reach * reach || d2 < 1e-8f)
            continue;
        float d = std::sqrt(d2);
        Vec3 l = toward * (1 / d);
        // Wrapped Lambert: surfaces lying along an emitter still catch a little of it.
        float facing = (dot(n, l) + 0.3f) / 1.3f;
        if (facing <= 0)
            continue;
        if (occluders.nearestHit(origin, l, d) < d - 0.02f)
            continue;
        float fade = 1 - d2 / (reach * reach);
        float falloff = fade * fade / (1 + d2 / (e.radius * e.radius));
        total += e.colour * (facing * falloff);
    }
    return total;
}

namespace {

bool receives(const Group& g) { return g.material == "stone" || g.material == "floor" || g.material == "metal"; }

} // namespace

void bakeScene(Scene& scene, const OcclusionSettings& settings)
{
    std::vector<Vec3> corners;
    for (const Geometry& geometry : scene.geometries) {
        if (!geometry.bakeOcclusion)
            continue;
        for (const Group& g : geometry.groups)
            for (uint32_t index : g.indices)
                corners.push_back(g.vertices[index].position);
    }
    Occluders occluders(corners);
    unsigned seed = 0;
    for (Geometry& geometry : scene.geometries) {
        if (!geometry.bakeOcclusion)
            continue;
        for (Group& g : geometry.groups) {
            if (!receives(g))
                continue;
            for (Vertex& v : g.vertices) {
                v.ao = occlusionAt(occluders, v.position, v.normal, seed++, settings);
                v.light = glowLightAt(occluders, scene.emitters, v.position, v.normal);
            }
        }
    }
}

} // namespace skene
