// mesh_vbo.cpp - MeshVBO: the float stores, their upload into vertex buffers, and drawing.
#include "scene/mesh_vbo.h"

#include "render/gl_extensions.h"
#include "scene/material.h"

MeshVBO::MeshVBO(int vertexCount_, const std::string& materialName_)
    : vertexCount(vertexCount_ > 0 ? vertexCount_ : 0), materialName(materialName_)
{
}

MeshVBO::~MeshVBO()
{
    for (MeshVBOAttribute* attribute : attributes.items)
        delete attribute;
    for (MeshVBO* child : children.items)
        delete child;
}

void MeshVBO::addAttribute(VertexSemantic semantic)
{
    MeshVBOAttribute* attribute = new MeshVBOAttribute;
    attribute->semantic = semantic;
    attribute->components = semanticComponents(semantic);
    attribute->kind = semanticClientArray(semantic);
    attribute->capacity = attribute->components * vertexCount;
    attribute->data.assign(static_cast<size_t>(attribute->capacity), 0.0f);
    attributes.add(attribute);
    currentAttribute = attribute;
    currentSemantic = semantic;
}

void MeshVBO::createBuffers()
{
    if (!glGenBuffersARB || !glBindBufferARB || !glBufferDataARB)
        return;
    for (MeshVBOAttribute* attribute : attributes.items) {
        glGenBuffersARB(1, &attribute->buffer);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, attribute->buffer);
        glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(attribute->capacity) * 4,
                        attribute->data.data(), GL_STATIC_DRAW_ARB);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    }
}

void MeshVBO::draw(bool withoutMaterial)
{
    bool useMaterial = !withoutMaterial && material;
    if (useMaterial)
        material->apply();
    for (MeshVBOAttribute* attribute : attributes.items) {
        if (attribute->kind == 0)
            continue;
        // From offset 0 of the attribute's buffer, or from its store where it has none.
        const float* pointer = attribute->data.data();
        if (attribute->buffer != 0) {
            glBindBufferARB(GL_ARRAY_BUFFER_ARB, attribute->buffer);
            pointer = nullptr;
        } else if (glBindBufferARB) {
            glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        }
        switch (attribute->kind) {
        case GL_VERTEX_ARRAY: glVertexPointer(attribute->components, GL_FLOAT, 0, pointer); break;
        case GL_NORMAL_ARRAY: glNormalPointer(GL_FLOAT, 0, pointer); break;
        case GL_COLOR_ARRAY: glColorPointer(attribute->components, GL_FLOAT, 0, pointer); break;
        case GL_TEXTURE_COORD_ARRAY: glTexCoordPointer(attribute->components, GL_FLOAT, 0, pointer); break;
        }
        glEnableClientState(attribute->kind);
    }
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    for (MeshVBOAttribute* attribute : attributes.items)
        if (attribute->kind != 0)
            glDisableClientState(attribute->kind);
    if (glBindBufferARB)
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    if (useMaterial)
        material->release();
    for (MeshVBO* child : children.items)
        child->draw(withoutMaterial);
}

// The containers of vertex buffers, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Array<MeshVBO*>;
template class Array<MeshVBO::MeshVBOAttribute*>;
template class Map<MeshVBO*>;
} // namespace BRAVIK_LUMENVAT
