// collada_geometry.cpp - sources, geometries and their primitive groups, and the mesh build that
// turns each primitive group into a MeshVBO.
//
// The build writes exactly `components` floats per vertex into stores sized for the vertices it
// makes, whatever the document says:
//  - a group's index list is read in tuples of (1 + its largest input offset) indices; only whole
//    tuples are read, and only whole triangles are built: 3 x min(count, tuples / 3) vertices;
//  - a source whose stride differs from the semantic's components gives its first values, and
//    missing components are padded as GL pads them (0, 0, 0, 1);
//  - an index outside its source, or an input without source data, gives a padded vertex.
// Each of these is logged once per primitive group or input.
#include "scene/collada_local.h"

#include "engine_api.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>

using namespace BRAVIK_LUMENVAT;

VertexSemantic vertexSemanticFromString(const char* text)
{
    static const char* const texcoords[] = {"TEXCOORD1", "TEXCOORD2", "TEXCOORD3", "TEXCOORD4",
                                            "TEXCOORD5", "TEXCOORD6", "TEXCOORD7"};
    std::string s = text;
    if (s == "POSITION" || s == "VERTEX")
        return SEMANTIC_POSITION;
    if (s == "NORMAL")
        return SEMANTIC_NORMAL;
    if (s == "COLOR")
        return SEMANTIC_COLOR;
    if (s == "TEXCOORD" || s == "TEXCOORD0")
        return SEMANTIC_TEXCOORD0;
    for (int i = 0; i < 7; ++i)
        if (s == texcoords[i])
            return static_cast<VertexSemantic>(SEMANTIC_TEXCOORD0 + 1 + i);
    if (s == "TEXTANGENT")
        return SEMANTIC_TEXTANGENT;
    if (s == "TEXBINORMAL")
        return SEMANTIC_TEXBINORMAL;
    return SEMANTIC_UNKNOWN;
}

int semanticComponents(VertexSemantic semantic)
{
    switch (semantic) {
    case SEMANTIC_POSITION:
    case SEMANTIC_NORMAL: return 3;
    case SEMANTIC_COLOR: return 4;
    default: return semantic >= SEMANTIC_TEXCOORD0 && semantic <= SEMANTIC_TEXCOORD7 ? 2 : 0;
    }
}

unsigned semanticClientArray(VertexSemantic semantic)
{
    switch (semantic) {
    case SEMANTIC_POSITION: return GL_VERTEX_ARRAY;
    case SEMANTIC_NORMAL: return GL_NORMAL_ARRAY;
    case SEMANTIC_COLOR: return GL_COLOR_ARRAY;
    default: return semantic >= SEMANTIC_TEXCOORD0 && semantic <= SEMANTIC_TEXCOORD7 ? GL_TEXTURE_COORD_ARRAY : 0;
    }
}

namespace {

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------

void readAccessor(Source* source, const TiXmlElement* techniqueCommon)
{
    FOR_EACH_CHILD_ELEMENT(child, techniqueCommon) {
        if (!tagIs(child, "accessor")) {
            colladaUnknown(child);
            continue;
        }
        readIntAttribute(child, "offset", source->offset);
        if (!readIntAttribute(child, "stride", source->stride))
            source->stride = 1;
        if (!readIntAttribute(child, "count", source->count))
            colladaError("Accessor missing required attribute 'count'");
    }
}

Mesh::MeshAttribute* readInput(ColladaDocument* document, Mesh* mesh, const TiXmlElement* element)
{
    Mesh::MeshAttribute* input = document->keep(new Mesh::MeshAttribute);
    if (const char* semantic = element->Attribute("semantic")) {
        if (element->Attribute("set"))
            rvkMsg("mesh input semantic \"set\" ignored.\n");
        input->semantic = vertexSemanticFromString(semantic);
    } else {
        colladaError("Triangles input missing required attribute 'semantic'");
    }
    Source* source = nullptr;
    if (const char* reference = element->Attribute("source")) {
        // A <vertices> id whose POSITION source was missing maps to null: not found either.
        source = document->sources.find(stripHash(reference));
        if (source) {
            input->data = source->floats;
            input->stride = source->stride;
        }
    } else {
        colladaError("Triangles input missing required attribute 'source'");
    }
    if (input->semantic == SEMANTIC_POSITION && source)
        mesh->vertexCount = source->stride > 0 ? static_cast<int>(source->floats.size()) / source->stride : 0;
    readIntAttribute(element, "offset", input->offset);
    long long perVertex = static_cast<long long>(input->offset) + 1;
    mesh->inputsPerVertex =
        static_cast<int>(std::min<long long>(std::max<long long>(mesh->inputsPerVertex, perVertex), INT_MAX));
    return input;
}

void readVertices(ColladaDocument* document, Mesh* mesh, const TiXmlElement* element)
{
    const char* id = element->Attribute("id");
    if (!id) {
        rvkMsg(" ERROR: %s: vertices missing required attribute 'id'", element->Value());
        return;
    }
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "input")) {
            const char* semantic = child->Attribute("semantic");
            if (semantic && std::strcmp(semantic, "POSITION") == 0) {
                if (const char* reference = child->Attribute("source"))
                    document->sources.add(id, document->sources.find(stripHash(reference)));
                else
                    rvkMsg("vertices input element missing required attribute 'source'\n");
            } else {
                mesh->attributes.add(readInput(document, mesh, child));
            }
        } else if (tagIs(child, "extra")) {
            colladaIgnored(child);
        } else {
            colladaUnknown(child);
        }
    }
}

// <triangles>, <polygons> and <polylist>: all read as triangles.
void readPrimitiveGroup(ColladaDocument* document, Mesh* mesh, const TiXmlElement* element, const char* countMessage,
                        bool polylist)
{
    int count = 0;
    if (!readIntAttribute(element, "count", count)) {
        colladaError(countMessage);
        return;
    }
    Mesh::SubMesh* subMesh = document->keep(new Mesh::SubMesh);
    subMesh->triangleCount = count;
    if (const char* material = element->Attribute("material")) {
        subMesh->materialName = material;
        document->materialNames.add(material);
    }
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "input")) {
            subMesh->inputs.add(readInput(document, mesh, child));
        } else if (tagIs(child, "p")) {
            readIntList(child, subMesh->indices);
        } else if (polylist && tagIs(child, "vcount")) {
            Array<int> counts;
            readIntList(child, counts);
            for (int n : counts.items)
                if (n != 3)
                    colladaError("polylist contained polygons with != 3 vertices");
        } else if (tagIs(child, "extra")) {
            colladaIgnored(child);
        } else {
            colladaUnknown(child);
        }
    }
    mesh->subMeshes.add(subMesh);
}

void readMesh(ColladaDocument* document, Mesh* mesh, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "source"))
            readSource(document, child);
        else if (tagIs(child, "vertices"))
            readVertices(document, mesh, child);
        else if (tagIs(child, "lines") || tagIs(child, "trifans") || tagIs(child, "tristrips"))
            colladaNotSupported(child);
        else if (tagIs(child, "linestrips") || tagIs(child, "extra"))
            colladaIgnored(child);
        else if (tagIs(child, "polygons"))
            readPrimitiveGroup(document, mesh, child, "triangles missing required attribute 'count'", false);
        else if (tagIs(child, "polylist"))
            readPrimitiveGroup(document, mesh, child, "polylist missing required attribute 'count'", true);
        else if (tagIs(child, "triangles"))
            readPrimitiveGroup(document, mesh, child, "triangles missing required attribute 'count'", false);
        else
            colladaUnknown(child);
    }
}

void readGeometry(ColladaDocument* document, const TiXmlElement* element)
{
    const char* id = element->Attribute("id");
    if (!id)
        return;
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "mesh")) {
            Mesh* mesh = document->keep(new Mesh);
            document->meshes.add(id, mesh);
            readMesh(document, mesh, child);
            if (mesh->vertexCount == 0)
                colladaError("Mesh had no vertices");
        } else if (tagIs(child, "asset") || tagIs(child, "convex_mesh") || tagIs(child, "spline") ||
                   tagIs(child, "extra")) {
            colladaIgnored(child);
        } else {
            colladaUnknown(child);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Building
// ---------------------------------------------------------------------------------------------

float paddingValue(int component)
{
    return component == 3 ? 1.0f : 0.0f;
}

// Fills the current attribute of `vbo` from one input: `stride` indices apart, from `offset`.
void fillAttribute(MeshVBO* vbo, const Mesh::MeshAttribute* input, const std::vector<int>& indices, long long stride,
                   const std::string& where, int inputNumber)
{
    const int components = vbo->currentAttribute->components;
    if (components == 0)
        return;
    const std::vector<float>& data = input->data.items;
    const long long sourceStride = input->stride;
    const int copied = input->offset < 0 ? 0 : static_cast<int>(std::clamp<long long>(sourceStride, 0, components));
    if (sourceStride > 0 && sourceStride != components)
        colladaWarning("%s input %d: source stride %lld for %d components; %d values per vertex used, the rest padded",
                       where.c_str(), inputNumber, sourceStride, components, copied);

    long long padded = 0;
    for (long long v = 0; v < vbo->vertexCount; ++v) {
        long long index = copied > 0 ? indices[static_cast<size_t>(v * stride + input->offset)] : -1;
        long long first = index * sourceStride;
        int c = 0;
        if (index >= 0 && first + copied <= static_cast<long long>(data.size())) {
            for (; c < copied; ++c)
                vbo->appendValue(data[static_cast<size_t>(first + c)]);
        } else {
            ++padded;
        }
        for (; c < components; ++c)
            vbo->appendValue(paddingValue(c));
    }
    if (padded > 0)
        colladaWarning("%s input %d: %lld vertices have no values in their source; padded", where.c_str(), inputNumber,
                       padded);
}

MeshVBO* buildPrimitiveGroup(const Mesh::SubMesh* subMesh, const std::string& geometryId, int group)
{
    std::string where = "geometry '" + geometryId + "' group " + std::to_string(group);
    long long stride = 1;
    for (const Mesh::MeshAttribute* input : subMesh->inputs.items)
        stride = std::max(stride, static_cast<long long>(input->offset) + 1);
    long long tuples = static_cast<long long>(subMesh->indices.size()) / stride;
    long long triangles = std::max(subMesh->triangleCount, 0);
    long long built = std::min(triangles, tuples / 3);
    if (tuples != triangles * 3)
        colladaWarning("%s: %lld index tuples for %d triangles; %lld triangles built", where.c_str(), tuples,
                       subMesh->triangleCount, built);

    MeshVBO* vbo = new MeshVBO(static_cast<int>(built * 3), subMesh->materialName);
    int inputNumber = 0;
    for (const Mesh::MeshAttribute* input : subMesh->inputs.items) {
        vbo->addAttribute(input->semantic);
        fillAttribute(vbo, input, subMesh->indices.items, stride, where, inputNumber++);
    }
    return vbo;
}

} // namespace

void readSource(ColladaDocument* document, const TiXmlElement* element)
{
    const char* id = element->Attribute("id");
    if (!id) {
        rvkMsg("Error: %s: source missing required attribute 'id'", element->Value());
        return;
    }
    Source* source = document->keep(new Source);
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "asset") || tagIs(child, "technique"))
            colladaIgnored(child);
        else if (tagIs(child, "IDREF_array") || tagIs(child, "Name_array"))
            readNameList(child, source->names);
        else if (tagIs(child, "bool_array"))
            colladaNotSupported(child);
        else if (tagIs(child, "float_array"))
            readFloatList(child, source->floats);
        else if (tagIs(child, "int_array"))
            readIntList(child, source->ints);
        else if (tagIs(child, "technique_common"))
            readAccessor(source, child);
        else
            colladaUnknown(child);
    }
    document->sources.add(id, source);
}

void readGeometryLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    FOR_EACH_CHILD_ELEMENT(child, element) {
        if (tagIs(child, "geometry"))
            readGeometry(document, child);
        else if (tagIs(child, "asset") || tagIs(child, "extra"))
            colladaIgnored(child);
        else
            colladaUnknown(child);
    }
}

void buildSceneMeshes(ColladaDocument* document, Scene* scene)
{
    for (const auto& entry : document->meshes.entries) {
        const Mesh* mesh = entry.second;
        MeshVBO* main = nullptr;
        int group = 0;
        for (const Mesh::SubMesh* subMesh : mesh->subMeshes.items) {
            MeshVBO* vbo = buildPrimitiveGroup(subMesh, entry.first, group++);
            vbo->createBuffers();
            if (!main) {
                main = vbo;
                main->children.clear();
            } else {
                main->children.add(vbo);
            }
        }
        if (main) {
            delete scene->meshes.find(entry.first);
            scene->meshes.add(entry.first, main);
        }
    }
}
