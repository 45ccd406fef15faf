// skene_shapes.h - the building blocks of the structure, appended to a material group.
//
// Every shape winds its front faces counter-clockwise and points its normals outwards. Texture
// coordinates are in scene units (the material scales them): flat faces are mapped by the plane
// they face, round ones by arc length and height.
#pragma once

#include "skene_scene.h"

#include <vector>

namespace skene {

uint32_t addVertex(Group& g, const Vec3& p, const Vec3& n, float u, float v);
void addTriangle(Group& g, uint32_t a, uint32_t b, uint32_t c);

// A flat convex polygon (corners in order, either winding): wound to face `normal`.
void addFlatPolygon(Group& g, const std::vector<Vec3>& corners, const Vec3& normal);

enum BoxFace : unsigned {
    FaceMinX = 1, FaceMaxX = 2, FaceMinY = 4, FaceMaxY = 8, FaceMinZ = 16, FaceMaxZ = 32,
    AllFaces = 63,
};
void addBox(Group& g, const Vec3& lo, const Vec3& hi, unsigned faces = AllFaces);

// A square bar of half width `halfWidth` from a to b (any direction), capped at both ends.
void addBeam(Group& g, const Vec3& a, const Vec3& b, float halfWidth);

// A vertical frustum around (centre.x, centre.z) from y0 (radius r0) to y1 (radius r1), smooth
// sided, with `rings` bands up its height (more vertices for the baked occlusion to vary over).
void addColumn(Group& g, const Vec3& centre, float y0, float y1, float r0, float r1, int sides, int rings,
               bool capBottom, bool capTop);

// A wall slab with a round opening. The slab lies in the plane spanned by `right` and `up`
// through `origin`, is `thickness` deep along right x up, and covers [u0, u1] x [v0, v1] in that
// frame. The opening is the part of the circle (centre (cu, cv), radius r) between the angles
// a0 and a1 (radians, measured from `right` towards `up`): 0..pi with cv = v0 makes an arch,
// 0..2pi a round window.
struct Panel {
    Vec3 origin, right{1, 0, 0}, up{0, 1, 0};
    float thickness = 0.4f;
    float u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    float cu = 0.5f, cv = 0, radius = 0.4f;
    float a0 = 0, a1 = kPi;
    int segments = 12;
};
void addPanel(Group& g, const Panel& panel);

// A ring tube: circle of radius `major` around `axis` through `centre`, tube radius `minor`.
void addTorus(Group& g, const Vec3& centre, const Vec3& axis, float major, float minor, int segments, int sides);

// A flat horizontal grid facing up at height y over the given column (x) and row (z) positions.
void addFloorGrid(Group& g, const std::vector<float>& xs, const std::vector<float>& zs, float y);

// A sphere-ish glow body (latitude/longitude, smooth normals).
void addSphere(Group& g, const Vec3& centre, float radius, int slices, int stacks);

} // namespace skene
