// skene_layout.cpp - where every stone, lantern, light and camera of the scene goes.
#include "skene_layout.h"

#include "skene_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skene {

using namespace plan;

namespace {

// Colours of the baked light that glowing parts throw on the stone (see Scene::emitters).
const Vec3 kAmber{1.0f, 0.6f, 0.26f};
const Vec3 kIce{0.36f, 0.7f, 1.0f};

// Hall rows: pillars at these x on z = kHallNorthZ and kHallSouthZ; the rose wall closes the last bay.
constexpr int kHallPillars = 8;
float hallPillarX(int i) { return -10.5f + 4.2f * i; }

constexpr int kHallNorthRow = 19; // z = kHallNorthZ
constexpr int kHallSouthRow = 22; // z = kHallSouthZ

float rowZ(int k) { return kFirstRowZ - kBay * static_cast<float>(k); }
// Arcade pillar rows inside the hall are taken over by the hall's own rows or left out.
bool arcadeRow(int k) { return k < kHallNorthRow || k > kHallSouthRow; }
// The bay between rows k and k + 1.
bool arcadeBay(int k) { return k < kHallNorthRow || k >= kHallSouthRow; }
// Every third bay is open to the sky: no roof beam, no lantern. Bay 4 is one of them; the close
// views look down into it from above the roof.
bool openBay(int k) { return k % 3 == 1; }

std::string numbered(const char* prefix, int n)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s_%02d", prefix, n);
    return buffer;
}

// Row positions of a floor strip from zTop down to zBottom, denser beside the pillar rows so the
// baked occlusion can darken the floor around their feet.
std::vector<float> floorRows(float zTop, float zBottom)
{
    std::vector<float> zs = {zTop, zBottom};
    const float offsets[] = {0.35f, -0.35f, -1.2f, -2.7f, -4.2f};
    for (int k = 0; k < kRows; ++k)
        for (float o : offsets) {
            float z = rowZ(k) + o;
            if (z < zTop - 0.1f && z > zBottom + 0.1f)
                zs.push_back(z);
        }
    std::sort(zs.begin(), zs.end(), [](float a, float b) { return a > b; });
    zs.erase(std::unique(zs.begin(), zs.end()), zs.end());
    return zs;
}

void addArcadePillar(Scene& scene, Group& stone, Group& glow, float x, float z)
{
    addBox(stone, {x - 0.32f, kFloorY, z - 0.32f}, {x + 0.32f, kFloorY + 0.3f, z + 0.32f}, AllFaces & ~FaceMinY);
    addColumn(stone, {x, 0, z}, -0.2f, -0.06f, 0.29f, 0.21f, 12, 1, false, false);
    addColumn(stone, {x, 0, z}, -0.06f, 1.28f, 0.2f, 0.2f, 12, 3, false, false);
    addColumn(glow, {x, 0, z}, 1.2f, 1.28f, 0.212f, 0.212f, 12, 1, false, false);
    addColumn(stone, {x, 0, z}, 1.28f, 1.5f, 0.2f, 0.3f, 12, 1, false, false);
    addBox(stone, {x - 0.34f, 1.5f, z - 0.34f}, {x + 0.34f, kSpringY, z + 0.34f});
    for (float side : {-1.0f, 1.0f})
        scene.emitters.push_back({{x + side * 0.45f, 1.24f, z}, kAmber * 0.3f, 1.0f});
}

void addHallPillar(Scene& scene, Group& stone, Group& glow, float x, float z)
{
    addBox(stone, {x - 0.5f, kHallFloorY, z - 0.5f}, {x + 0.5f, kHallFloorY + 0.45f, z + 0.5f}, AllFaces & ~FaceMinY);
    addColumn(stone, {x, 0, z}, kHallFloorY + 0.45f, kHallFloorY + 0.7f, 0.45f, 0.35f, 14, 1, false, false);
    addColumn(stone, {x, 0, z}, kHallFloorY + 0.7f, 3.92f, 0.34f, 0.34f, 14, 5, false, false);
    addColumn(glow, {x, 0, z}, 3.82f, 3.92f, 0.352f, 0.352f, 14, 1, false, false);
    addColumn(stone, {x, 0, z}, 3.92f, 4.3f, 0.34f, 0.45f, 14, 1, false, false);
    addBox(stone, {x - 0.5f, 4.3f, z - 0.5f}, {x + 0.5f, kHallSpringY, z + 0.5f});
    for (float side : {-1.0f, 1.0f})
        scene.emitters.push_back({{x, 3.87f, z + side * 0.6f}, kAmber * 0.4f, 1.5f});
}

// An arch between the pillar rows at z0 > z1 on the arcade side x (its faces look along x).
void addSideArch(Group& stone, float x, float z0, float z1)
{
    Panel p;
    p.origin = {x, 0, 0};
    p.right = {0, 0, -1};
    p.u0 = -z0;
    p.u1 = -z1;
    p.cu = (p.u0 + p.u1) * 0.5f;
    p.v0 = kSpringY;
    p.v1 = kArchTopY;
    p.cv = kSpringY;
    p.radius = (z0 - z1) * 0.5f - 0.3f;
    p.thickness = 0.4f;
    p.segments = 16;
    addPanel(stone, p);
}

// An arch across the arcade at row z, or along a hall row (faces look along z).
void addCrossArch(Group& stone, float z, float x0, float x1, float springY, float topY, float pier, float thickness)
{
    Panel p;
    p.origin = {0, 0, z};
    p.u0 = x0;
    p.u1 = x1;
    p.cu = (x0 + x1) * 0.5f;
    p.v0 = springY;
    p.v1 = topY;
    p.cv = springY;
    p.radius = (x1 - x0) * 0.5f - pier;
    p.thickness = thickness;
    addPanel(stone, p);
}

// A wall across z with a round opening; its front faces the arcade (towards `facing`).
void addEndWall(Group& stone, float zFace, float facing)
{
    Panel p;
    p.origin = {0, 0, zFace - facing * 0.3f};
    p.right = {facing > 0 ? 1.0f : -1.0f, 0, 0};
    p.u0 = -kSlabHalfWidth;
    p.u1 = kSlabHalfWidth;
    p.v0 = kSlabBottomY;
    p.v1 = 5.0f;
    p.cu = 0;
    p.cv = 2.0f;
    p.radius = 1.7f;
    p.a0 = 0;
    p.a1 = 2 * kPi;
    p.segments = 24;
    p.thickness = 0.6f;
    addPanel(stone, p);
}

void buildArcadeFloor(Scene& scene)
{
    Geometry& geometry = scene.geometry("arcade_floor");
    Group& floor = geometry.group("floor");
    Group& stone = geometry.group("stone");
    const std::vector<float> xs = {-3.0f, -2.55f, -2.25f, -1.95f, -1.5f, -0.75f, 0.0f,
                                   0.75f, 1.5f,   1.95f,  2.25f,  2.55f, 3.0f};
    addFloorGrid(floor, xs, floorRows(kEntranceZ + 0.6f, kFarEndZ - 0.6f), kFloorY);
    // The pier, thinned to a deck across the hall (the hall's roof holds it up on rods).
    const float pieces[3][3] = {{kEntranceZ + 0.6f, kHallNorthZ, kSlabBottomY},
                                {kHallNorthZ, kHallSouthZ, kDeckBottomY},
                                {kHallSouthZ, kFarEndZ - 0.6f, kSlabBottomY}};
    for (const auto& piece : pieces)
        addBox(stone, {-kSlabHalfWidth, piece[2], piece[1]}, {kSlabHalfWidth, kFloorY, piece[0]},
               AllFaces & ~FaceMaxY);
}

void buildArcade(Scene& scene)
{
    Geometry& pillars = scene.geometry("arcade_pillars");
    Group& pillarStone = pillars.group("stone");
    Group& pillarGlow = pillars.group("glow");
    for (int k = 0; k < kRows; ++k) {
        if (!arcadeRow(k))
            continue;
        addArcadePillar(scene, pillarStone, pillarGlow, -kPillarX, rowZ(k));
        addArcadePillar(scene, pillarStone, pillarGlow, kPillarX, rowZ(k));
    }

    // Arches and entablature as <polylist> groups, to keep both primitive kinds in use.
    Geometry& arches = scene.geometry("arcade_arches");
    Group& stone = arches.group("stone", true);
    Group& metal = arches.group("metal", true);
    for (int k = 0; k < kRows; ++k) {
        float z = rowZ(k);
        if (arcadeRow(k))
            addCrossArch(stone, z, -kPillarX, kPillarX, kSpringY, kArchTopY, 0.34f, 0.4f);
        if (k + 1 < kRows && arcadeBay(k)) {
            for (int side = -1; side <= 1; side += 2) {
                addSideArch(stone, side * kPillarX, z, z - kBay);
                addBox(stone, {side * kPillarX - 0.27f, kArchTopY, z - kBay}, {side * kPillarX + 0.27f, kEntablatureTopY, z}, AllFaces & ~(FaceMinZ | FaceMaxZ));
            }
            float zm = z - kBay * 0.5f;
            if (!openBay(k))
                addBox(metal, {-2.4f, kEntablatureTopY, zm - 0.09f}, {2.4f, kEntablatureTopY + 0.18f, zm + 0.09f});
        }
    }
    // The short end pieces against the two walls: closed sides under the entablature.
    for (int side = -1; side <= 1; side += 2) {
        float x = side * kPillarX;
        addBox(stone, {x - 0.2f, kFloorY, kFirstRowZ}, {x + 0.2f, kArchTopY, kEntranceZ},
               AllFaces & ~FaceMinY);
        addBox(stone, {x - 0.27f, kArchTopY, kFirstRowZ}, {x + 0.27f, kEntablatureTopY, kEntranceZ},
               AllFaces & ~FaceMinZ);
        float last = rowZ(kRows - 1);
        addBox(stone, {x - 0.27f, kArchTopY, kFarEndZ}, {x + 0.27f, kEntablatureTopY, last},
               AllFaces & ~FaceMaxZ);
    }
}

void buildArcadeTrims(Scene& scene)
{
    Geometry& trims = scene.geometry("arcade_trims");
    trims.texcoords = false;
    trims.bakeOcclusion = false;
    Group& glow = trims.group("glow");
    for (int k = 0; k + 1 < kRows; ++k) {
        float z = rowZ(k);
        if (arcadeRow(k)) {
            addBox(glow, {-0.1f, 3.29f, z - 0.215f}, {0.1f, 3.62f, z + 0.215f});
            scene.emitters.push_back({{0, 3.2f, z}, kAmber * 0.35f, 1.2f});
        }
        for (int side = -1; side <= 1; side += 2) {
            float x = side * 1.55f;
            addBox(glow, {x - 0.03f, kFloorY, z - kBay + 0.45f}, {x + 0.03f, kFloorY + 0.012f, z - 0.45f},
                   AllFaces & ~FaceMinY);
            for (float along : {0.25f * kBay, 0.5f * kBay, 0.75f * kBay})
                scene.emitters.push_back({{x, kFloorY + 0.08f, z - along}, kAmber * 0.12f, 0.7f});
        }
    }
}

void buildHall(Scene& scene)
{
    Geometry& hall = scene.geometry("hall");
    Group& floor = hall.group("floor");
    Group& stone = hall.group("stone");
    Group& metal = hall.group("metal");
    Group& glow = hall.group("glow");

    std::vector<float> xs, zs;
    for (int i = 0; i <= 34; ++i)
        xs.push_back(kHallWestX + (kHallEastX - kHallWestX) * i / 34.0f);
    for (int j = 0; j <= 20; ++j)
        zs.push_back(kHallNorthZ - j * 1.0f);
    addFloorGrid(floor, xs, zs, kHallFloorY);
    addBox(stone, {kHallWestX, kHallFloorY - 1.0f, kHallSouthZ}, {kHallEastX, kHallFloorY, kHallNorthZ}, AllFaces & ~FaceMaxY);

    const float rows[2] = {kHallNorthZ, kHallSouthZ};
    for (int r = 0; r < 2; ++r) {
        float z = rows[r];
        for (int i = 0; i < kHallPillars; ++i) {
            float x = hallPillarX(i);
            addHallPillar(scene, stone, glow, x, z);
            addCrossArch(stone, z, x, x + 4.2f, kHallSpringY, kHallArchTopY, 0.5f, 0.6f);
            addBox(stone, {x - 0.5f, kHallArchTopY, z - 0.4f}, {x + 3.7f, kHallRoofY, z + 0.4f},
                   AllFaces);
            addBox(glow, {x + 1.98f, 5.98f, z - 0.31f}, {x + 2.22f, kHallArchTopY - 0.1f, z + 0.31f});
            for (float side : {-1.0f, 1.0f})
                scene.emitters.push_back({{x + 2.1f, 5.85f, z + side * 0.45f}, kAmber * 0.4f, 1.5f});
        }
    }
    // Roof: a beam over every pillar pair and one ridge beam along the hall's middle.
    for (int i = 0; i < kHallPillars; ++i) {
        float x = hallPillarX(i);
        addBox(metal, {x - 0.12f, kHallRoofY, kHallSouthZ - 0.4f}, {x + 0.12f, kHallRoofY + 0.25f, kHallNorthZ + 0.4f});
    }
    addBox(metal, {hallPillarX(0), kHallRoofY, kHallCentreZ - 0.12f}, {kHallEastX, kHallRoofY + 0.25f, kHallCentreZ + 0.12f});
    addBox(metal, {-0.02f, 5.58f, kHallCentreZ - 0.02f}, {0.02f, kHallRoofY, kHallCentreZ + 0.02f});
    // Rods from the roof beams hold the deck where the arcade's pillars would stand.
    for (int k = kHallNorthRow + 1; k < kHallSouthRow; ++k)
        for (float x : {-kPillarX, kPillarX})
            addBeam(metal, {x, kFloorY, rowZ(k)}, {x, kHallRoofY, rowZ(k)}, 0.035f);

    // The east wall and its rose window (the glowing pane is a node of its own).
    Panel wall;
    wall.origin = {kHallEastX + 0.3f, 0, 0};
    wall.right = {0, 0, 1};
    wall.u0 = kHallSouthZ - 0.5f;
    wall.u1 = kHallNorthZ + 0.5f;
    wall.v0 = kHallFloorY - 1.0f;
    wall.v1 = kHallRoofY + 0.25f;
    wall.cu = kHallCentreZ;
    wall.cv = 3.2f;
    wall.radius = 2.4f;
    wall.a0 = 0;
    wall.a1 = 2 * kPi;
    wall.segments = 24;
    wall.thickness = 0.6f;
    addPanel(stone, wall);
    Vec3 rose(kHallEastX + 0.15f, 3.2f, kHallCentreZ);
    addTorus(metal, rose, {1, 0, 0}, 2.36f, 0.07f, 40, 6);
    addTorus(metal, rose, {1, 0, 0}, 0.9f, 0.06f, 24, 6);
    for (int s = 0; s < 8; ++s) {
        float a = 2 * kPi * s / 8;
        Vec3 d(0, std::sin(a), std::cos(a));
        addBeam(metal, rose + d * 0.9f, rose + d * 2.36f, 0.04f);
        scene.emitters.push_back({rose + Vec3(-0.8f, 0, 0) + d * 1.5f, kIce * 0.3f, 4.0f});
    }
    scene.emitters.push_back({rose + Vec3(-0.8f, 0, 0), kIce * 0.4f, 4.0f});

    // Glowing lines on the hall floor leading the eye towards the rose window.
    for (float z : {kHallCentreZ + 0.8f, kHallCentreZ - 0.8f}) {
        addBox(glow, {3.2f, kHallFloorY, z - 0.03f}, {kHallEastX - 0.5f, kHallFloorY + 0.012f, z + 0.03f},
               AllFaces & ~FaceMinY);
        for (float x = 4.0f; x < kHallEastX - 0.5f; x += 2.0f)
            scene.emitters.push_back({{x, kHallFloorY + 0.08f, z}, kAmber * 0.12f, 0.8f});
    }
}

void buildEnds(Scene& scene)
{
    Geometry& ends = scene.geometry("end_walls");
    Group& stone = ends.group("stone");
    addEndWall(stone, kEntranceZ, -1);
    addEndWall(stone, kFarEndZ, 1);
}

Node geometryNode(const std::string& id, const std::string& geometry)
{
    Node n;
    n.id = id;
    n.name = id;
    n.geometry = geometry;
    return n;
}

Transform translate(const Vec3& t, const std::string& sid = "translation")
{
    return {Transform::Translate, sid, {t.x, t.y, t.z}};
}
Transform rotate(const Vec3& axis, float degrees, const std::string& sid)
{
    return {Transform::Rotate, sid, {axis.x, axis.y, axis.z, degrees}};
}
Transform scale(const Vec3& s, const std::string& sid = "scale")
{
    return {Transform::Scale, sid, {s.x, s.y, s.z}};
}
Transform matrix(const Mat4& m, const std::string& sid = "transform")
{
    Transform t{Transform::Matrix, sid, {}};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            t.values.push_back(m.m[col * 4 + row]);
    return t;
}

// Lantern, hanging from its pivot at the origin.
void buildLanternGeometry(Scene& scene)
{
    Geometry& lantern = scene.geometry("lantern");
    lantern.bakeOcclusion = false;
    Group& metal = lantern.group("metal", true);
    Group& glow = lantern.group("glow");
    addBeam(metal, {0, 0, 0}, {0, -0.64f, 0}, 0.014f);
    addColumn(metal, {0, 0, 0}, -0.76f, -0.62f, 0.17f, 0.04f, 8, 1, true, true);
    for (int i = 0; i < 4; ++i) {
        float a = kPi * 0.25f + kPi * 0.5f * i;
        Vec3 d(std::cos(a) * 0.13f, 0, std::sin(a) * 0.13f);
        addBeam(metal, d + Vec3(0, -1.18f, 0), d + Vec3(0, -0.75f, 0), 0.016f);
    }
    addColumn(metal, {0, 0, 0}, -1.27f, -1.17f, 0.05f, 0.16f, 8, 1, true, true);
    addColumn(glow, {0, 0, 0}, -1.17f, -0.76f, 0.11f, 0.11f, 8, 2, true, true);
}

// Swing of lantern n about z: extremes every half period with flat Bezier handles.
Track lanternSwing(int n, const std::string& node)
{
    float amplitude = 4.0f + 5.0f * hashUnit(10u + n);
    float period = 2.2f + 0.9f * hashUnit(40u + n);
    float phase = period * hashUnit(70u + n);
    auto value = [&](float t) { return amplitude * std::cos(2 * kPi * (t + phase) / period); };
    auto slope = [&](float t) { return -amplitude * 2 * kPi / period * std::sin(2 * kPi * (t + phase) / period); };
    std::vector<float> times = {0};
    for (int j = 0;; ++j) {
        float t = j * period * 0.5f - phase;
        if (t >= 10 - 0.05f)
            break;
        if (t > 0.05f)
            times.push_back(t);
    }
    times.push_back(10);
    Track track;
    track.id = "anim_" + node + "_swing";
    track.target = node + "/rotation_z.ANGLE";
    for (size_t i = 0; i < times.size(); ++i) {
        Key key;
        key.time = times[i];
        key.value = value(times[i]);
        key.interpolation = Interpolation::Bezier;
        float before = i > 0 ? (times[i] - times[i - 1]) / 3 : 0.1f;
        float after = i + 1 < times.size() ? (times[i + 1] - times[i]) / 3 : 0.1f;
        float s = slope(times[i]);
        key.inTime = times[i] - before;
        key.inValue = key.value - s * before;
        key.outTime = times[i] + after;
        key.outValue = key.value + s * after;
        track.keys.push_back(key);
    }
    return track;
}

// A stiffer sway along z for some lanterns: straight lines between the extremes.
Track lanternSway(int n, const std::string& node)
{
    Track track;
    track.id = "anim_" + node + "_sway";
    track.target = node + "/rotation_x.ANGLE";
    float amplitude = 2.5f + 1.5f * hashUnit(90u + n);
    for (int i = 0; i <= 8; ++i) {
        Key key;
        key.time = 1.25f * i;
        key.value = (i % 2 ? -amplitude : amplitude) * (i == 0 || i == 8 ? 0.0f : 1.0f);
        key.interpolation = Interpolation::Linear;
        track.keys.push_back(key);
    }
    return track;
}

Key linearKey(float time, float value, Interpolation interpolation = Interpolation::Linear)
{
    Key key;
    key.time = time;
    key.value = value;
    key.interpolation = interpolation;
    return key;
}

// Bezier keys easing in and out of every key (flat handles a third of the way to the neighbours).
std::vector<Key> easedKeys(const std::vector<std::pair<float, float>>& points)
{
    std::vector<Key> keys;
    for (size_t i = 0; i < points.size(); ++i) {
        Key key = linearKey(points[i].first, points[i].second, Interpolation::Bezier);
        float before = i > 0 ? (points[i].first - points[i - 1].first) / 3 : 0.1f;
        float after = i + 1 < points.size() ? (points[i + 1].first - points[i].first) / 3 : 0.1f;
        key.inTime = key.time - before;
        key.inValue = key.value;
        key.outTime = key.time + after;
        key.outValue = key.value;
        keys.push_back(key);
    }
    return keys;
}

void buildLanterns(Scene& scene)
{
    buildLanternGeometry(scene);
    Node group;
    group.id = "lanterns";
    group.name = "lanterns";
    int n = 0;
    for (int k = 0; k + 1 < kRows; ++k) {
        if (!arcadeBay(k) || openBay(k))
            continue;
        std::string id = numbered("lantern", n);
        Node lantern = geometryNode(id, "lantern");
        lantern.transforms.push_back(translate({0, kEntablatureTopY, rowZ(k) - kBay * 0.5f}));
        lantern.transforms.push_back(rotate({0, 0, 1}, 0, "rotation_z"));
        scene.tracks.push_back(lanternSwing(n, id));
        if (n % 5 == 2) {
            lantern.transforms.push_back(rotate({1, 0, 0}, 0, "rotation_x"));
            scene.tracks.push_back(lanternSway(n, id));
        }
        group.children.push_back(lantern);
        scene.emitters.push_back({{0, kEntablatureTopY - 0.965f, rowZ(k) - kBay * 0.5f}, kAmber * 0.9f, 2.5f});
        ++n;
    }
    scene.nodes.push_back(group);
}

void buildArmillary(Scene& scene)
{
    Geometry& outer = scene.geometry("armillary_outer");
    outer.bakeOcclusion = false;
    addTorus(outer.group("metal"), {0, 0, 0}, {0, 0, 1}, 1.5f, 0.05f, 48, 6);
    for (int i = 0; i < 4; ++i) {
        float a = kPi * 0.5f * i;
        addSphere(outer.group("glow"), {std::cos(a) * 1.5f, std::sin(a) * 1.5f, 0}, 0.09f, 8, 5);
    }
    Geometry& middle = scene.geometry("armillary_middle");
    middle.bakeOcclusion = false;
    middle.texcoords = false;
    addTorus(middle.group("metal"), {0, 0, 0}, {0, 1, 0}, 1.22f, 0.045f, 40, 6);
    Geometry& inner = scene.geometry("armillary_inner");
    inner.bakeOcclusion = false;
    inner.colours = false;
    addTorus(inner.group("glow"), {0, 0, 0}, {1, 0, 0}, 0.95f, 0.035f, 36, 6);
    Geometry& core = scene.geometry("armillary_core");
    core.bakeOcclusion = false;
    addSphere(core.group("glow"), {0, 0, 0}, 0.28f, 16, 10);

    Node armillary = geometryNode("armillary", "armillary_outer");
    // High enough that the flight's last frames (eye y up to 2.2 at z -50) pass under the rings.
    armillary.transforms = {translate({0, 4.1f, kHallCentreZ}), rotate({0, 1, 0}, 0, "rotation_y")};
    scene.emitters.push_back({{0, 4.1f, kHallCentreZ}, kAmber * 0.9f, 3.5f});
    Node middleNode = geometryNode("armillary_middle", "armillary_middle");
    middleNode.transforms = {rotate({1, 0, 0}, 0, "rotation_x")};
    Node innerNode = geometryNode("armillary_inner", "armillary_inner");
    innerNode.transforms = {rotate({0, 0, 1}, 0, "rotation_z")};
    Node coreNode = geometryNode("armillary_core", "armillary_core");
    coreNode.transforms = {scale({1, 1, 1})};
    innerNode.children.push_back(coreNode);
    middleNode.children.push_back(innerNode);
    armillary.children.push_back(middleNode);
    scene.nodes.push_back(armillary);

    // One parent track with the inner rings' tracks nested inside it.
    Track spin;
    spin.id = "anim_armillary";
    spin.target = "armillary/rotation_y.ANGLE";
    spin.keys = {linearKey(0, 0), linearKey(5, 180), linearKey(10, 360)};
    Track tumble;
    tumble.id = "anim_armillary_middle";
    tumble.target = "armillary_middle/rotation_x.ANGLE";
    tumble.keys = easedKeys({{0, 0}, {4, 150}, {10, 400}});
    Track roll;
    roll.id = "anim_armillary_inner";
    roll.target = "armillary_inner/rotation_z.ANGLE";
    roll.keys = {linearKey(0, 0), linearKey(10, -720)};
    spin.children = {tumble, roll};
    const char* axes[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a) {
        Track pulse;
        pulse.id = std::string("anim_armillary_core_") + axes[a];
        pulse.target = std::string("armillary_core/scale.") + axes[a];
        for (int i = 0; i <= 20; ++i)
            pulse.keys.push_back(linearKey(0.5f * i, i % 2 ? 1.3f + 0.05f * a : 1.0f, Interpolation::Step));
        spin.children.push_back(pulse);
    }
    scene.tracks.push_back(spin);
}

void buildHallMachines(Scene& scene)
{
    // A glowing cage that rises and sinks beside the hall's axis.
    Geometry& lift = scene.geometry("lift");
    lift.bakeOcclusion = false;
    Group& frame = lift.group("metal");
    const float h = 0.35f;
    for (int axis = 0; axis < 3; ++axis)
        for (int c = 0; c < 4; ++c) {
            float p = c & 1 ? h : -h, q = c & 2 ? h : -h;
            Vec3 a, b;
            if (axis == 0)
                a = {-h, p, q}, b = {h, p, q};
            else if (axis == 1)
                a = {p, -h, q}, b = {p, h, q};
            else
                a = {p, q, -h}, b = {p, q, h};
            addBeam(frame, a, b, 0.025f);
        }
    addSphere(lift.group("glow"), {0, 0, 0}, 0.17f, 12, 8);
    Node liftNode = geometryNode("lift", "lift");
    liftNode.transforms = {translate({12.6f, -2.6f, kHallCentreZ - 4.5f})};
    scene.nodes.push_back(liftNode);
    Track rise;
    rise.id = "anim_lift";
    rise.target = "lift/translation.Y";
    rise.keys = {linearKey(0, -2.6f), linearKey(2.5f, 3.6f), linearKey(5, -2.6f), linearKey(7.5f, 3.6f),
                 linearKey(10, -2.6f)};
    scene.tracks.push_back(rise);

    // A lamp that jumps from beam to beam under the ridge.
    Geometry& shuttle = scene.geometry("shuttle");
    shuttle.bakeOcclusion = false;
    addBeam(shuttle.group("metal"), {0, 0.5f, 0}, {0, 0.14f, 0}, 0.03f);
    addBox(shuttle.group("glow"), {-0.25f, -0.14f, -0.2f}, {0.25f, 0.14f, 0.2f});
    Node shuttleNode = geometryNode("shuttle", "shuttle");
    shuttleNode.transforms = {translate({hallPillarX(1), kHallRoofY - 0.5f, kHallCentreZ})};
    scene.nodes.push_back(shuttleNode);
    Track hop;
    hop.id = "anim_shuttle";
    hop.target = "shuttle/translation.X";
    const int stops[11] = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3};
    for (int i = 0; i <= 10; ++i)
        hop.keys.push_back(linearKey(static_cast<float>(i), hallPillarX(stops[i]), Interpolation::Step));
    scene.tracks.push_back(hop);

    // The rose window's glowing pane: a unit disc turned to face the hall and scaled to the opening
    // (the disc is symmetric, so the turn reads the same whichever way a loader signs it).
    Geometry& pane = scene.geometry("rose_pane");
    pane.bakeOcclusion = false;
    std::vector<Vec3> rim;
    for (int i = 0; i < 32; ++i) {
        float a = 2 * kPi * i / 32;
        rim.push_back({std::cos(a), std::sin(a), 0});
    }
    addFlatPolygon(pane.group("portal"), rim, {0, 0, 1});
    Node roseNode = geometryNode("rose", "rose_pane");
    roseNode.transforms = {translate({kHallEastX + 0.35f, 3.2f, kHallCentreZ}), rotate({0, 1, 0}, 90, "rotation_y"),
                           scale({2.42f, 2.42f, 1})};
    scene.nodes.push_back(roseNode);
}

void buildPortals(Scene& scene)
{
    Geometry& entrance = scene.geometry("entrance_ring");
    entrance.bakeOcclusion = false;
    addTorus(entrance.group("glow"), {0, 0, 0}, {0, 0, 1}, 1.72f, 0.08f, 48, 6);
    Node entranceNode = geometryNode("entrance_ring", "entrance_ring");
    entranceNode.transforms = {matrix(Mat4::translation({0, 2.0f, kEntranceZ + 0.05f}))};
    for (int i = 0; i < 8; ++i) {
        float a = kPi / 4 * i;
        scene.emitters.push_back({{std::cos(a) * 1.72f, 2.0f + std::sin(a) * 1.72f, kEntranceZ - 0.25f}, kAmber * 0.3f, 1.5f});
        scene.emitters.push_back({{std::cos(a) * 1.72f, 2.0f + std::sin(a) * 1.72f, kFarEndZ + 0.25f}, kIce * 0.3f, 1.5f});
    }
    scene.nodes.push_back(entranceNode);

    Geometry& far = scene.geometry("far_ring");
    far.bakeOcclusion = false;
    addTorus(far.group("portal"), {0, 0, 0}, {0, 0, 1}, 1.72f, 0.08f, 48, 6);
    for (int i = 0; i < 6; ++i) {
        float a = kPi / 3 * i;
        Vec3 d(std::cos(a), std::sin(a), 0);
        addBeam(far.group("metal"), d * 0.55f, d * 1.66f, 0.03f);
    }
    Node farNode = geometryNode("far_ring", "far_ring");
    farNode.transforms = {translate({0, 2.0f, kFarEndZ - 0.05f}), rotate({0, 0, 1}, 30, "spin"),
                          scale({1, 1, 1})};
    scene.nodes.push_back(farNode);

    Geometry& core = scene.geometry("far_core");
    core.bakeOcclusion = false;
    addSphere(core.group("portal"), {0, 0, 0}, 0.4f, 16, 10);
    Node coreNode = geometryNode("far_core", "far_core");
    coreNode.transforms = {translate({0, 2.0f, kFarEndZ - 0.3f}), scale({1, 1, 1})};
    scene.emitters.push_back({{0, 2.0f, kFarEndZ + 0.5f}, kIce * 0.5f, 2.5f});
    scene.nodes.push_back(coreNode);
    Track breatheX, breatheY, drift;
    breatheX.id = "anim_far_core_x";
    breatheX.target = "far_core/scale.X";
    breatheX.keys = easedKeys({{0, 1}, {2.5f, 1.45f}, {5, 1}, {7.5f, 1.45f}, {10, 1}});
    breatheY = breatheX;
    breatheY.id = "anim_far_core_y";
    breatheY.target = "far_core/scale.Y";
    drift.id = "anim_far_core_z";
    drift.target = "far_core/translation.Z";
    drift.keys = {linearKey(0, kFarEndZ - 0.3f), linearKey(5, kFarEndZ + 0.6f), linearKey(10, kFarEndZ - 0.3f)};
    scene.tracks.push_back(breatheX);
    scene.tracks.push_back(breatheY);
    scene.tracks.push_back(drift);
}

// The five views the effects take, and the lights' home positions (documentation for tools; the
// production places its lights itself).
void buildCamerasAndLights(Scene& scene)
{
    // Field of view as COLLADA allows it: xfov, yfov, or one of them with aspect_ratio (0 = absent).
    struct View {
        const char* id;
        Vec3 eye, target;
        float xfov, yfov, aspect, znear, zfar;
    };
    const View views[] = {
        {"cam_colladascene", {0, 1.5f, 60}, {0, 1.2f, -40}, 0, 53, 1.333f, 0.1f, 32768},
        {"cam_blurparticles", {0, -0.355f, -50}, {7.25f, 0, -50}, 0, 55, 1.7778f, 4, 50},
        {"cam_pressure2", {5, 3.5f, -46}, {0, 2.5f, -50}, 80, 0, 0, 0.005f, 100},
        {"cam_skene1", {7.5f, 1.3f, 42}, {0, -0.6f, 36}, 86.1f, 60, 0, 0.01f, 10000},
        {"cam_particleblob", {1.8f, 1.2f, 37.6f}, {0, 1, 37.6f}, 0, 63, 1.7778f, 0.5f, 300},
    };
    Node cameras;
    cameras.id = "cameras";
    cameras.name = "cameras";
    for (const View& v : views) {
        Camera c;
        c.id = v.id;
        c.xfov = v.xfov;
        c.yfov = v.yfov;
        c.aspect = v.aspect;
        c.znear = v.znear;
        c.zfar = v.zfar;
        scene.cameras.push_back(c);
        Node n;
        n.id = std::string(v.id) + "_node";
        n.name = v.id;
        n.camera = v.id;
        n.transforms = {matrix(Mat4::cameraToWorld(v.eye, v.target, {0, 1, 0}))};
        cameras.children.push_back(n);
    }
    scene.nodes.push_back(cameras);

    Node lights;
    lights.id = "lights";
    lights.name = "lights";
    Light ambient;
    ambient.id = "light_ambient";
    ambient.kind = Light::Ambient;
    ambient.colour = {0.1f, 0.11f, 0.15f};
    scene.lights.push_back(ambient);
    Node ambientNode;
    ambientNode.id = "light_ambient_node";
    ambientNode.light = ambient.id;
    lights.children.push_back(ambientNode);

    Light moon;
    moon.id = "light_moon";
    moon.kind = Light::Directional;
    moon.colour = {0.32f, 0.38f, 0.55f};
    scene.lights.push_back(moon);
    Node moonNode;
    moonNode.id = "light_moon_node";
    moonNode.light = moon.id;
    moonNode.transforms = {matrix(Mat4::cameraToWorld({-20, 30, 10}, {0, 0, 0}, {0, 1, 0}))};
    lights.children.push_back(moonNode);

    for (int i = 0; i < 8; ++i) {
        Light point;
        point.id = numbered("light_corridor", i);
        point.kind = Light::Point;
        point.quadratic = 1.0f / (9.0f * 9.0f); // the materials' falloff: half strength at 9 units
        scene.lights.push_back(point);
        Node n;
        n.id = point.id + "_node";
        n.light = point.id;
        n.transforms = {translate({0, 1.25f, 60 - 0.4f * i})};
        lights.children.push_back(n);
    }
    scene.nodes.push_back(lights);
}

} // namespace

Scene buildSkene()
{
    Scene scene;
    buildArcadeFloor(scene);
    buildArcade(scene);
    buildArcadeTrims(scene);
    buildHall(scene);
    buildEnds(scene);

    // Static lit geometry hangs under one node whose transforms compose to identity.
    Node structure;
    structure.id = "structure";
    structure.name = "structure";
    for (const Geometry& g : scene.geometries)
        structure.children.push_back(geometryNode(g.id, g.id));
    scene.nodes.push_back(structure);

    buildLanterns(scene);
    buildArmillary(scene);
    buildHallMachines(scene);
    buildPortals(scene);
    buildCamerasAndLights(scene);
    return scene;
}

} // namespace skene
