// mesh_vbo.h - a drawable mesh: one primitive group of a COLLADA geometry as vertex arrays.
//
// Building and uploading are apart: the loader fills each attribute's float store through
// addAttribute/appendValue without any GL context, and createBuffers uploads the stores into
// vertex buffers when the GL entry points exist. draw() takes the vertex buffers when they were
// made and the float stores otherwise. A main mesh carries the geometry's further primitive groups
// as children and draws them after itself.
#pragma once

#include "containers/containers.h"
#include "scene/collada_semantics.h"

#include <string>
#include <vector>

class Material;

using BRAVIK_LUMENVAT::Array;

class MeshVBO {
public:
    struct MeshVBOAttribute {
        std::vector<float> data; // capacity floats, zero until filled
        int capacity = 0; // components x vertex count
        int fillCount = 0;
        unsigned kind = 0; // GL client array, 0 for semantics that have none
        unsigned buffer = 0; // vertex buffer name; 0 until uploaded
        int components = 0;
        VertexSemantic semantic = SEMANTIC_NOT_GIVEN;
    };

    MeshVBO(int vertexCount, const std::string& materialName);
    MeshVBO(const MeshVBO&) = delete;
    MeshVBO& operator=(const MeshVBO&) = delete;
    ~MeshVBO(); // deletes the attributes and the children

    // Starts a new attribute of this semantic, sized for the vertex count; it becomes current.
    void addAttribute(VertexSemantic semantic);
    // Appends to the current attribute; a value beyond its capacity is dropped (false).
    bool appendValue(float value)
    {
        MeshVBOAttribute* a = currentAttribute;
        if (!a || a->fillCount >= a->capacity)
            return false;
        a->data[static_cast<size_t>(a->fillCount++)] = value;
        return true;
    }
    // Uploads every attribute's store into a vertex buffer of its own (static draw). Does nothing
    // before the GL entry points are loaded (tools, tests without GL); the stores are kept either way.
    void createBuffers();
    // Applies the bound material (unless withoutMaterial), draws the triangles, releases the
    // material, then draws the children with the same flag.
    void draw(bool withoutMaterial);

    Array<MeshVBOAttribute*> attributes;
    MeshVBOAttribute* currentAttribute = nullptr;
    VertexSemantic currentSemantic = SEMANTIC_NOT_GIVEN;
    int vertexCount;
    std::string materialName;
    Material* material = nullptr;
    Array<MeshVBO*> children;
};
