// skene_scene.h - the generator's picture of the scene before it is written out: geometries made
// of material groups, the node tree with its COLLADA transformations, keyframe tracks, cameras
// and lights.
//
// Geometry is authored in the coordinates of the node that draws it. Lit geometry hangs under
// nodes whose transforms compose to identity, because the production places its GL lights while a
// mesh's own node matrix is current: only then do the lights sit where the effects put them.
#pragma once

#include "skene_math.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace skene {

struct Vertex {
    Vec3 position;
    Vec3 normal;
    float u = 0, v = 0;
    Vec3 light;   // baked light from the scene's glowing parts
    float ao = 1; // baked ambient occlusion (1 = open sky); on glowing parts, the glow's strength
};

// Baked light is written divided by this, so that vertex colours stay within 0..1; the material
// programs multiply it back (their bakedGain).
constexpr float kBakedLightScale = 2.0f;

// One primitive group of a geometry: a COLLADA <triangles> (or <polylist> of triangles) bound to
// one material symbol.
struct Group {
    std::string material;
    bool polylist = false;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices; // three per triangle

    size_t triangleCount() const { return indices.size() / 3; }
};

// Groups and geometries live in deques: the layout holds references to them while adding more.
struct Geometry {
    std::string id;
    std::deque<Group> groups;
    bool texcoords = true; // write a TEXCOORD input
    bool colours = true;   // write a COLOR input: baked light in rgb, occlusion in alpha
    bool bakeOcclusion = true; // static and at identity: occludes and receives baked occlusion

    Group& group(const std::string& material, bool polylist = false);
    size_t triangleCount() const;
};

struct Transform {
    enum Kind { Matrix, Rotate, Scale, Translate };
    Kind kind = Translate;
    std::string sid;
    std::vector<float> values; // matrix: 16 values in row order, as the document lists them
};

struct Node {
    std::string id;
    std::string name;
    std::vector<Transform> transforms;
    std::string geometry; // instance_geometry target id, empty when none
    std::string camera;
    std::string light;
    std::vector<Node> children;
};

enum class Interpolation { Step, Linear, Bezier };

struct Key {
    float time = 0;
    float value = 0;
    Interpolation interpolation = Interpolation::Linear;
    float inTime = 0, inValue = 0;   // Bezier control points (time, value)
    float outTime = 0, outValue = 0;
};

// One animated value: `target` is "<node id>/<transformation sid>.<member>", as COLLADA writes it.
struct Track {
    std::string id;
    std::string target;
    std::vector<Key> keys;
    std::vector<Track> children; // nested <animation> elements
};

struct Camera {
    std::string id;
    float xfov = 0, yfov = 0, aspect = 0; // degrees; 0 = not written
    float znear = 0.1f, zfar = 100;
};

struct Light {
    enum Kind { Ambient, Directional, Point };
    std::string id;
    Kind kind = Point;
    Vec3 colour{1, 1, 1};
    float constant = 1, linear = 0, quadratic = 0;
};

// A glowing part as a light for the bake: it lights what it can see within `radius` scene units.
struct Emitter {
    Vec3 position;
    Vec3 colour;
    float radius = 1;
};

struct Scene {
    std::deque<Geometry> geometries;
    std::vector<Emitter> emitters;
    std::vector<Node> nodes;
    std::vector<Track> tracks;
    std::vector<Camera> cameras;
    std::vector<Light> lights;

    Geometry& geometry(const std::string& id);
    size_t triangleCount() const;
};

// The matrix a node's transformations give, composed the way the production's loader composes
// them (a rotate's angle is applied negated, in radians; a matrix is listed in rows).
Mat4 localMatrix(const Node& node);

} // namespace skene
