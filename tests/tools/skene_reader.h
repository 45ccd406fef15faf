// skene_reader.h - reads the generated COLLADA scene back for the content tests: every primitive
// group expanded to one vertex per index tuple (as the production's loader builds it), the node
// tree with its matrices, the animation tracks, and a list of everything in the file that the
// loader would refuse, misread or have to guess about.
#pragma once

#include "skene_math.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace skenetest {

struct Primitive {
    std::string material;
    bool polylist = false;
    int count = 0;                      // triangles
    std::vector<std::string> semantics; // input order
    std::vector<float> positions;       // 3 per vertex
    std::vector<float> normals;         // 3 per vertex
    std::vector<float> texcoords;       // 2 per vertex, empty without a TEXCOORD input
    std::vector<float> colours;         // 4 per vertex, empty without a COLOR input

    size_t vertexCount() const { return positions.size() / 3; }
};

struct NodeData {
    std::string id, name, parent;
    skene::Mat4 local, world; // composed as the loader composes them
    std::string geometry;     // instance_geometry target (without "#")
    std::vector<std::string> boundMaterials;
    std::vector<std::string> transformSids;
    std::string camera, light;
};

struct TrackData {
    std::string id, target;
    std::vector<float> times, values, inTangents, outTangents;
    std::vector<std::string> interpolations;
    int depth = 0; // 0 for a top-level <animation>
};

struct Document {
    std::map<std::string, std::vector<Primitive>> geometries; // by geometry id
    std::vector<NodeData> nodes;                               // depth first, document order
    std::vector<TrackData> tracks;                             // depth first, document order
    std::set<std::string> cameras, lights;
    std::vector<std::string> problems;

    const NodeData* node(const std::string& id) const;
    // Triangle corners of every static piece of geometry in scene space (three per triangle).
    std::vector<skene::Vec3> worldTriangles() const;
};

bool readDocument(const std::string& path, Document& doc);

} // namespace skenetest
