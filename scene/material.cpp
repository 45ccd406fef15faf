// material.cpp - reading material files, applying materials around a draw, and binding them to
// the meshes of a scene.
//
// Content problems show a box and loading goes on: a value or texture for a uniform the program
// lacks is dropped, a texture the archive lacks leaves its sampler unit unbound but counted, and
// elements without the attributes they need are reported and not followed.
#include "scene/material.h"

#include "engine_api.h"
#include "render/gl_extensions.h"
#include "render/shader_manager.h"
#include "scene/collada.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"
#include "scene/scene_manager.h"
#include "scene/xml_depth.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

using namespace BRAVIK_LUMENVAT;

namespace {

const char* const BINDINGS_TITLE = "Invalid data in material bindings file.";

bool isSampler(const ShaderUniform* uniform)
{
    return uniform->type == UNIFORM_SAMPLER2D || uniform->type == UNIFORM_SAMPLERCUBE;
}

unsigned samplerTarget(const ShaderUniform* uniform)
{
    return uniform->type == UNIFORM_SAMPLER2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
}

void readFloatValues(ShaderUniform* parameter, const TiXmlElement* element)
{
    static const char* const names[] = {"Value1", "Value2", "Value3", "Value4"};
    for (int i = 0; i < 4; ++i)
        if (const char* value = element->Attribute(names[i]))
            parameter->values.set(i, static_cast<float>(std::strtod(value, nullptr)));
    if (const char* value = element->Attribute("min"))
        parameter->min = static_cast<float>(std::strtod(value, nullptr));
    if (const char* value = element->Attribute("max"))
        parameter->max = static_cast<float>(std::strtod(value, nullptr));
}

} // namespace

Material::Material() : name("temp")
{
}

Material::~Material()
{
    for (ShaderUniform* parameter : parameters.items) {
        std::free(parameter->name);
        std::free(parameter->textureName);
        delete parameter;
    }
}

void Material::setCallback(MaterialCallback callback_)
{
    callback = callback_;
}

void Material::load(const char* fileName)
{
    const char* text = rvkGetText(fileName);
    if (!text) {
        rvkMessageBox(rvkGetHWND(), "Could not find file:", fileName, RVK_MB_TOPMOST);
        rvkExitProcess(1);
    }
    if (xmlElementDepth(text) > kMaxXmlDepth) {
        rvkMsg("ERROR: Material config : Error occurred while reading file: %s ERROR: %s \n", fileName,
               xmlTooDeepDescription());
        return;
    }
    TiXmlDocument xml;
    parseXml(xml, text);
    if (xml.Error()) {
        rvkMsg("ERROR: Material config : Error occurred while reading file: %s ERROR: %s \n", fileName,
               xml.ErrorDesc());
        return;
    }
    const TiXmlElement* root = xml.FirstChildElement();
    if (!root) {
        rvkMsg("No \"root\" element found from %s\n", fileName);
        return;
    }
    name = fileName;
    for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement())
        readElement(child, fileName);
}

ShaderUniform* Material::findParameter(const char* parameterName, const char* title, const char* fileName)
{
    for (ShaderUniform* parameter : parameters.items)
        if (parameter->name && std::strcmp(parameter->name, parameterName) == 0)
            return parameter;
    rvkMsgBox(title, "Uniform with name '%.200s' not found in shader '%.200s.'\nFile: %.200s", parameterName,
              shader && shader->name ? shader->name : "", fileName);
    return nullptr;
}

void Material::readElement(const TiXmlElement* element, const char* fileName)
{
    const char* tag = element->Value();
    if (std::strcmp(tag, "Shader") == 0) {
        const char* file = element->Attribute("file");
        Shader* found = file && shaderManager ? shaderManager->getShader(file) : nullptr;
        if (!found) {
            rvkMsgBox("Shader specified in material not found.",
                      "Shader '%.200s' is not a known program.\nFile: %.200s", file ? file : "", fileName);
            return;
        }
        shader = found;
        for (ShaderUniform* uniform : shader->uniforms.items)
            parameters.add(uniform->clone());
    } else if (std::strcmp(tag, "Parameters") == 0) {
        for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
            readElement(child, fileName);
    } else if (std::strcmp(tag, "Float") == 0 || std::strcmp(tag, "Texture") == 0 ||
               std::strcmp(tag, "TextureCube") == 0) {
        const char* parameterName = element->Attribute("name");
        if (!parameterName) {
            rvkMsgBox("Uniform malformed.", "A %.50s element did not contain 'name'-attribute.\nFile: %.200s", tag,
                      fileName);
            return;
        }
        bool isFloat = std::strcmp(tag, "Float") == 0;
        ShaderUniform* parameter = findParameter(parameterName,
                                                 isFloat ? "Uniform with specified in material not found."
                                                         : "Uniform specified in material not found.",
                                                 fileName);
        if (!parameter)
            return;
        if (isFloat) {
            readFloatValues(parameter, element);
            return;
        }
        const char* file = element->Attribute("file");
        if (!file) {
            rvkMsgBox("Uniform malformed.",
                      "Uniform with name '%.200s' did not contain 'file'-attribute.\nFile: %.200s", parameterName,
                      fileName);
            return;
        }
        std::free(parameter->textureName);
        parameter->textureName = strdup(file);
        if (!rvkGetTexture(file))
            rvkMsgBox("Texture specified in material not found..",
                      "Texture '%.200s' was not found from resources.\nFile: %.200s", file, fileName);
    }
}

void Material::apply()
{
    if (shader) {
        shader->bind();
        int unit = 0;
        for (ShaderUniform* p : parameters.items) {
            if (p->isCameraUniform)
                continue;
            const std::vector<float>& v = p->values.items;
            switch (p->type) {
            case UNIFORM_FLOAT: shader->setUniform1f(p->name, v[0]); break;
            case UNIFORM_VEC2: shader->setUniform2f(p->name, v[0], v[1]); break;
            case UNIFORM_VEC3: shader->setUniform3f(p->name, v[0], v[1], v[2]); break;
            case UNIFORM_VEC4: shader->setUniform4f(p->name, v[0], v[1], v[2], v[3]); break;
            case UNIFORM_SAMPLER2D:
            case UNIFORM_SAMPLERCUBE: {
                Texture* texture = p->textureName ? rvkGetTexture(p->textureName) : nullptr;
                if (texture) {
                    glActiveTextureARB(GL_TEXTURE0 + unit);
                    glEnable(samplerTarget(p));
                    glBindTexture(samplerTarget(p), texture->getID());
                    shader->setUniform1i(p->name, unit);
                }
                ++unit;
                break;
            }
            case UNIFORM_OTHER: break;
            }
        }
    }
    if (callback)
        callback(this);
}

void Material::release()
{
    int unit = 0;
    for (ShaderUniform* p : parameters.items) {
        if (!isSampler(p))
            continue;
        glActiveTextureARB(GL_TEXTURE0 + unit);
        glDisable(samplerTarget(p));
        glBindTexture(samplerTarget(p), 0);
        ++unit;
    }
    if (glActiveTextureARB)
        glActiveTextureARB(GL_TEXTURE0);
    if (shaderManager)
        shaderManager->unbind();
}

void bindMaterials(ColladaDocument* document, Scene* scene, SceneManager* manager, const char* fileName,
                   MaterialCallback callback)
{
    const char* text = rvkGetText(fileName);
    if (!text) {
        rvkMsgBox("Error", "Could not find material binding file: '%s'", fileName);
        rvkExitProcess(1);
    }
    TiXmlDocument xml;
    bool tooDeep = xmlElementDepth(text) > kMaxXmlDepth;
    if (!tooDeep)
        parseXml(xml, text);
    if (tooDeep || xml.Error()) {
        rvkMsg("ERROR: Material bindings config : Error occurred while reading file: %s ERROR: %s \n", fileName,
               tooDeep ? xmlTooDeepDescription() : xml.ErrorDesc());
    } else {
        const TiXmlElement* root = xml.FirstChildElement();
        if (!root) {
            rvkMsg("No \"root\" element found from %s\n", fileName);
            return;
        }
        for (const TiXmlElement* binding = root->FirstChildElement(); binding;
             binding = binding->NextSiblingElement()) {
            if (std::strcmp(binding->Value(), "Binding") != 0) {
                rvkMsgBox(BINDINGS_TITLE, "Only 'Binding' fields are allowed.");
                continue;
            }
            const char* type = binding->Attribute("MaterialType");
            const char* key = binding->Attribute("Material");
            if (!type || !key) {
                rvkMsgBox(BINDINGS_TITLE, "A binding needs both 'MaterialType' and 'Material'.\nIn file: '%.300s'",
                          fileName);
                continue;
            }
            if (!document || document->materialNames.getIndex(type) == 0xFFFFFFFFu)
                rvkMsgBox(
                    BINDINGS_TITLE,
                    "MaterialType '%.200s' was not found in collada material names. It was referred in file: '%.300s'",
                    type, fileName);
            Material* material = manager ? manager->materials.getByString(key) : nullptr;
            if (!material)
                rvkMsgBox(BINDINGS_TITLE, "Material '%.200s' was not found in available materials.\nIn file: '%.300s'",
                          key, fileName);
            if (scene)
                scene->materials.add(type, material);
            if (callback && material)
                material->setCallback(callback);
        }
    }
    if (!scene)
        return;
    for (const auto& entry : scene->meshes.entries) {
        MeshVBO* mesh = entry.second;
        mesh->material = scene->materials.find(mesh->materialName);
        for (MeshVBO* child : mesh->children.items)
            child->material = scene->materials.find(child->materialName);
    }
}

// The container of materials, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Map<Material*>;
} // namespace BRAVIK_LUMENVAT
