// skene_bake.h - light baked into the vertices by casting rays against the scene itself.
//
// Ambient occlusion: each receiving vertex sends a fixed set of cosine-weighted rays over its
// hemisphere; a ray that meets the scene within `reach` darkens the vertex, nearer hits more. The
// ray pattern is turned per vertex by a hash of its index, so neighbours do not band.
// Glow light: every emitter (lantern, glowing band, window) that a vertex faces and can see lights
// it with a soft falloff, so the trims and lanterns light the stone around them.
// Single-threaded on purpose: it runs at build time on shared cores and must stay reproducible.
#pragma once

#include "skene_scene.h"

#include <memory>
#include <vector>

namespace skene {

struct OcclusionSettings {
    int rays = 24;
    float reach = 2.2f; // scene units; hits farther away do not occlude
};

// Triangles in one space, queried by rays (a bounding-volume hierarchy).
class Occluders {
public:
    explicit Occluders(const std::vector<Vec3>& triangleCorners); // three corners per triangle
    ~Occluders();
    Occluders(const Occluders&) = delete;
    Occluders& operator=(const Occluders&) = delete;

    // Distance to the nearest hit along the unit direction, or `maxDistance` when none is nearer.
    float nearestHit(const Vec3& origin, const Vec3& direction, float maxDistance) const;

private:
    struct Tree;
    std::unique_ptr<Tree> tree;
};

// Occlusion (1 = open) of a point with surface normal n.
float occlusionAt(const Occluders& occluders, const Vec3& p, const Vec3& n, unsigned patternSeed,
                  const OcclusionSettings& settings);

// Light reaching a point with surface normal n from the emitters it can see.
Vec3 glowLightAt(const Occluders& occluders, const std::vector<Emitter>& emitters, const Vec3& p, const Vec3& n);

// Bakes occlusion and glow light into every stone, floor and metal group of the geometries marked
// for it; all marked geometry occludes. Glowing groups keep the values the layout gave them.
void bakeScene(Scene& scene, const OcclusionSettings& settings = OcclusionSettings());

} // namespace skene
