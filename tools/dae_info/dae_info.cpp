// dae_info.cpp - the scene inspector: loads a COLLADA file through the program's own loader and
// scene build, and prints what the demo would see of it as one JSON document.
//
//   dae-info FILE.dae [--at T]
//
// The file's folder is mounted as the engine's archive (no display, no GL). stdout carries only
// the JSON; the loader's log lines and boxes go to stderr. With --at T the node matrices are those
// after Scene::update(T) (T in the document's key time unit, seconds in COLLADA). Bad arguments:
// the reason and the usage on stderr, exit status 2.
#include "engine_api.h"
#include "scene/collada.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"
#include "tools/dae_info/json_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>

using namespace BRAVIK_LUMENVAT;

namespace {

const char* const USAGE = "usage: dae-info FILE.dae [--at T]\n"
                          "  Loads FILE (its folder mounted as the archive) and prints the loaded geometries,\n"
                          "  sources, nodes, cameras, lights, animations and visual scenes as JSON.\n"
                          "  --at T   node matrices after the animations are applied at time T (seconds)\n"
                          "  Exit status: 0 printed; 1 the loader refused the document (unsupported content, a missing\n"
                          "  file: the reason in the log); 2 bad arguments.\n";

struct Arguments {
    std::string file;
    bool hasTime = false;
    float time = 0;
};

[[noreturn]] void badArguments(const std::string& reason)
{
    std::fprintf(stderr, "dae-info: %s\n%s", reason.c_str(), USAGE);
    std::exit(2);
}

Arguments parseArguments(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            std::exit(0);
        } else if (a == "--at") {
            if (i + 1 >= argc)
                badArguments("--at needs a time");
            char* end = nullptr;
            const char* text = argv[++i];
            arguments.time = std::strtof(text, &end);
            if (end == text || *end != '\0')
                badArguments(std::string("--at: not a number: ") + text);
            arguments.hasTime = true;
        } else if (!a.empty() && a[0] == '-') {
            badArguments("unknown option " + a);
        } else if (!arguments.file.empty()) {
            badArguments("one file only");
        } else {
            arguments.file = a;
        }
    }
    if (arguments.file.empty())
        badArguments("no file given");
    if (access(arguments.file.c_str(), R_OK) != 0)
        badArguments("cannot read " + arguments.file);
    std::string lower = arguments.file;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.size() < 4 ||
        (lower.compare(lower.size() - 4, 4, ".dae") != 0 && lower.compare(lower.size() - 4, 4, ".xml") != 0))
        badArguments(arguments.file + ": the archive reads documents only from files ending in .dae or .xml");
    return arguments;
}

// Reverse look-ups: the id a runtime object is registered under.
template <typename T> std::map<const T*, std::string> idsOf(const Map<T*>& map)
{
    std::map<const T*, std::string> ids;
    for (const auto& entry : map.entries)
        ids[entry.second] = entry.first;
    return ids;
}

template <typename T> void writeId(JsonWriter& json, const std::map<const T*, std::string>& ids, const T* object)
{
    auto it = ids.find(object);
    if (it == ids.end())
        json.null();
    else
        json.string(it->second);
}

void writeGeometries(JsonWriter& json, const ColladaDocument& document, const Scene& built)
{
    json.key("geometries").beginArray();
    for (const auto& entry : document.meshes.entries) {
        json.beginObject().key("id").string(entry.first).key("submeshes").beginArray();
        const MeshVBO* main = built.meshes.find(entry.first);
        unsigned group = 0;
        for (const Mesh::SubMesh* subMesh : entry.second->subMeshes.items) {
            const MeshVBO* vbo = !main ? nullptr : group == 0 ? main : main->children.get(group - 1);
            json.beginObject()
                .key("material")
                .string(subMesh->materialName)
                .key("triangles")
                .number(subMesh->triangleCount)
                .key("indices")
                .number(static_cast<double>(subMesh->indices.size()))
                .key("vertices")
                .number(vbo ? vbo->vertexCount : 0)
                .key("attributes")
                .beginArray();
            if (vbo)
                for (const MeshVBO::MeshVBOAttribute* a : vbo->attributes.items)
                    json.beginObject()
                        .key("semantic")
                        .number(a->semantic)
                        .key("components")
                        .number(a->components)
                        .endObject();
            json.endArray().endObject();
            ++group;
        }
        json.endArray().endObject();
    }
    json.endArray();
}

void writeNode(JsonWriter& json, const Scene& scene, const SceneNode* node,
               const std::map<const SceneNode*, std::string>& nodeIds,
               const std::map<const MeshVBO*, std::string>& meshIds)
{
    json.beginObject().key("id");
    writeId(json, nodeIds, node);
    json.key("name").string(node->name).key("parent");
    if (node->parent == scene.root)
        json.null();
    else
        writeId(json, nodeIds, node->parent);
    json.key("mesh");
    if (node->mesh)
        writeId(json, meshIds, static_cast<const MeshVBO*>(node->mesh));
    else
        json.null();
    json.key("local").beginArray();
    for (float v : node->local.m)
        json.number(v);
    json.endArray().endObject();
    for (const SceneNode* child : node->children.items)
        writeNode(json, scene, child, nodeIds, meshIds);
}

void writeAnimation(JsonWriter& json, const Animation* animation,
                    const std::map<const SceneNode*, std::string>& nodeIds)
{
    json.beginObject().key("target").string(animation->channel).key("node");
    writeId(json, nodeIds, static_cast<const SceneNode*>(animation->target));
    json.key("attribute")
        .number(animation->attribute)
        .key("keys")
        .number(static_cast<double>(animation->keys.size()))
        .key("start")
        .number(animation->startTime)
        .key("end")
        .number(animation->endTime)
        .key("interpolations")
        .beginArray();
    for (const AnimationKeyFrame* key : animation->keys.items)
        json.number(key->interpolation);
    json.endArray().key("children").beginArray();
    for (const Animation* child : animation->children.items)
        writeAnimation(json, child, nodeIds);
    json.endArray().endObject();
}

void writeScene(JsonWriter& json, const Scene* scene)
{
    std::map<const SceneNode*, std::string> nodeIds;
    std::map<const MeshVBO*, std::string> meshIds;
    if (scene) {
        for (const auto& entry : scene->nodes.entries)
            if (entry.second != scene->root)
                nodeIds[entry.second] = entry.first;
        meshIds = idsOf(scene->meshes);
    }

    json.key("nodes").beginArray();
    if (scene)
        for (const SceneNode* node : scene->root->children.items)
            writeNode(json, *scene, node, nodeIds, meshIds);
    json.endArray().key("cameras").beginArray();
    if (scene)
        for (const auto& entry : scene->cameras.entries) {
            const Camera* c = entry.second;
            json.beginObject()
                .key("id")
                .string(entry.first)
                .key("fov")
                .number(c->fov)
                .key("aspect")
                .number(c->aspect)
                .key("near")
                .number(c->zNear)
                .key("far")
                .number(c->zFar)
                .key("node");
            writeId(json, nodeIds, static_cast<const SceneNode*>(c->node));
            json.endObject();
        }
    json.endArray().key("lights").beginArray();
    if (scene)
        for (const auto& entry : scene->lights.entries) {
            const Light* l = entry.second;
            json.beginObject()
                .key("id")
                .string(entry.first)
                .key("kind")
                .number(l->kind)
                .key("colour")
                .beginArray()
                .number(l->colour.x)
                .number(l->colour.y)
                .number(l->colour.z)
                .endArray()
                .key("node");
            writeId(json, nodeIds, static_cast<const SceneNode*>(l->node));
            json.endObject();
        }
    json.endArray().key("animations").beginArray();
    if (scene)
        for (const Animation* track : scene->player->tracks.items)
            writeAnimation(json, track, nodeIds);
    json.endArray();
}

} // namespace

int main(int argc, char** argv)
{
    Arguments arguments = parseArguments(argc, argv);
    std::string path = arguments.file;
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    RvkOptions options;
    options.dataPath = folder.c_str();
    options.logPath = "/dev/null"; // the log goes to stderr only; the demo's log file stays as it is
    options.boxesToLogOnly = true;
    options.noAudio = true;
    rvkSetOptions(&options);
    rvkReadPak("data.pak");

    ColladaDocument* document = loadColladaDocument(name);
    if (!document) {
        std::fprintf(stderr, "dae-info: %s holds no COLLADA document\n", path.c_str());
        return 1;
    }
    Scene* scene = buildScenes(document);
    if (scene && arguments.hasTime)
        scene->update(arguments.time);
    // Without a visual scene the geometries are still built, into a scene of their own.
    Scene meshesOnly("");
    if (!scene)
        buildSceneMeshes(document, &meshesOnly);

    JsonWriter json(stdout);
    json.beginObject().key("file").string(name).key("at");
    if (arguments.hasTime)
        json.number(arguments.time);
    else
        json.null();
    writeGeometries(json, *document, scene ? *scene : meshesOnly);
    json.key("sources").number(document->sources.size());
    writeScene(json, scene);
    json.key("scenes").beginArray();
    for (const auto& entry : document->scenes.entries)
        json.beginObject().key("id").string(entry.first).key("name").string(entry.second->name).endObject();
    json.endArray().endObject();
    json.finish();

    delete scene;
    delete document;
    return 0;
}
