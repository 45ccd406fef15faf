// collada.h - COLLADA documents: what the loader keeps of a .dae file, and the calls that turn it
// into a drawable Scene.
//
//   ColladaDocument* doc = loadColladaDocument("skene.dae"); // from the engine's archive
//   Scene* scene = buildScenes(doc);                          // nodes, meshes, cameras, lights, tracks
//
// Only a subset of COLLADA is read: float/int/name sources with a common accessor, <vertices>,
// <triangles>, <polylist> and <polygons> read as triangles, cameras, lights, animations and visual
// scenes. Other content is skipped with a log line, and a few kinds ("lines", "trifans",
// "tristrips", "bool_array") end the program with a "Not supported" box. There is no index
// sharing: every index tuple becomes its own vertex.
//
// Malformed input is never followed out of bounds: short or long lists are cut or padded (see
// collada_geometry.cpp and collada_scene_build.cpp), each case logged once per element.
//
// A document owns everything it creates and is normally kept for the whole run; the parsed types
// below hold plain pointers into it.
#pragma once

#include "containers/containers.h"
#include "scene/animation.h"
#include "scene/collada_semantics.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlElement;
class Scene;

using BRAVIK_LUMENVAT::Array;
using BRAVIK_LUMENVAT::Map;

struct Source {
    Array<float> floats;
    Array<int> ints;
    Array<std::string> names;
    Array<bool> bools; // never filled: boolean arrays are not supported
    int offset = 0; // from the accessor
    int stride = 1;
    int count = 0;
};

class Mesh {
public:
    struct MeshAttribute {
        VertexSemantic semantic = SEMANTIC_NOT_GIVEN;
        int offset = 0;
        int stride = 0; // the source accessor's; 0 when no source was found
        Array<float> data; // a copy of the source's floats
    };

    struct SubMesh {
        int triangleCount = 0; // the count attribute as written
        Array<int> indices; // every <p> list, appended in order
        std::string materialName;
        Array<MeshAttribute*> inputs;
    };

    Array<SubMesh*> subMeshes;
    Array<MeshAttribute*> attributes; // non-position inputs inside <vertices>; not drawn
    int vertexCount = 0; // of the last position source seen
    int inputsPerVertex = 0; // 1 + the largest input offset in the whole geometry
};

enum TransformationKind {
    TRANSFORM_MATRIX = 0,
    TRANSFORM_ROTATE = 1,
    TRANSFORM_SCALE = 2,
    TRANSFORM_TRANSLATE = 3,
};

struct Transformation {
    int kind = TRANSFORM_MATRIX;
    // Exactly 16 (matrix, stored column-major: the document lists rows), 4 (rotate: axis x y z,
    // angle in degrees) or 3 (scale, translate) values.
    Array<float> values;
    std::string sid;
};

struct GeometryInstance {
    std::string target; // geometry id
    std::string materialId; // the last instance_material target
};

struct ObjectNode {
    std::string id, name, sid;
    Array<ObjectNode*> children;
    Array<GeometryInstance*> geometryInstances;
    Array<Transformation*> transformations; // document order
    Array<std::string> cameraIds;
    Array<std::string> lightIds;
};

namespace Collada {

struct Attribute {
    std::string name; // a camera parameter's sid, a light parameter's element name
    Array<float> values;
};

// Cameras and lights share one layout: parameters by element name ("xfov", "color", ...).
struct ParameterBlock {
    std::string id;
    int kind = 0; // camera: 0 perspective, 1 orthographic; light: LightKind
    Map<Attribute*> parameters;
};

struct Camera : ParameterBlock { };
struct Light : ParameterBlock { };

struct Animation {
    int keyCount = 0; // floats of the INPUT source
    std::string target;
    // Source id -> SamplerRole code.
    Map<AnimationAttribute> samplerInputs;
    // By child id, or "BRAVIK::no_identifier_set" for a child without one.
    Map<Animation*> children;
};

struct Scene {
    std::string name;
    Array<ObjectNode*> nodes; // top level
};

} // namespace Collada

class ColladaDocument {
public:
    std::string fileName;
    Map<Collada::Attribute*> attributes; // "cameraId/sid"
    Map<Transformation*> transformations; // "nodeId/sid"
    Map<Mesh*> meshes; // by geometry id
    Map<Source*> sources; // by id; also each <vertices> id -> its POSITION source
    Map<ObjectNode*> nodes;
    Map<Collada::Scene*> scenes; // by visual scene id
    Map<Collada::Camera*> cameras;
    Map<Collada::Light*> lights;
    Map<Collada::Animation*> animations;
    Array<std::string> materialNames; // every primitive group's material, document order

    // Takes ownership of an object made while reading this document.
    template <typename T> T* keep(T* object)
    {
        owned.emplace_back(object);
        return object;
    }

private:
    std::vector<std::shared_ptr<void>> owned;
};

// Loads a document of the engine's archive by file name. A missing file ends the process (exit
// code 1) after a box; null only when the text has no COLLADA root element, or when its elements
// nest deeper than kMaxXmlDepth (refused before parsing, with the loader's error box).
ColladaDocument* loadColladaDocument(std::string fileName);
// The same for a text already in memory (tools, tests, benchmarks).
ColladaDocument* readColladaDocument(const std::string& fileName, const char* text);

// Builds one Scene per visual scene in ascending id order and returns the last one (null when
// there is none); earlier ones are discarded.
Scene* buildScenes(ColladaDocument* document);
// Builds a MeshVBO per primitive group of every geometry and registers each geometry's main mesh
// in the scene's mesh map; uploads them where vertex buffers are available.
void buildSceneMeshes(ColladaDocument* document, Scene* scene);

// The loader's messages. colladaError logs and shows a box; colladaNotSupported logs, shows a box
// and ends the process with exit code 1; the other two only log.
void colladaError(const char* text);
void colladaUnknown(const TiXmlElement* element);
[[noreturn]] void colladaNotSupported(const TiXmlElement* element);
void colladaIgnored(const TiXmlElement* element);
