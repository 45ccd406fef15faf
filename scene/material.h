// material.h - materials: a GLSL program of the ShaderManager with values for its uniforms and
// textures for its samplers, read from the archive's "*.material.xml" files, and the binding of
// materials to the meshes of a Scene.
//
// A material file's root holds a Shader element first and then the values, at any depth inside
// Parameters elements:
//   <Material>
//     <Shader file="phong"/>
//     <Parameters>
//       <Float name="shininess" Value1="12"/>
//       <Texture name="diffuseMap" file="floor.jpg"/>
//     </Parameters>
//   </Material>
// A bindings file maps the material names of a COLLADA document to material keys (file names
// without ".material.xml"):
//   <Bindings><Binding MaterialType="floor" Material="concrete"/></Bindings>
//
// A mesh with a material draws between apply() and release(): the program bound, the uniforms
// set, each sampler on the next texture unit, then the material's callback.
#pragma once

#include "containers/containers.h"

#include <string>

class ColladaDocument;
class Scene;
class SceneManager;
class Shader;
class ShaderUniform;
class TiXmlElement;

class Material;
// Called at the end of Material::apply, while the material's program is bound.
typedef void (*MaterialCallback)(Material* material);

class Material {
public:
    Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;
    ~Material(); // frees the parameters (the program belongs to the ShaderManager)

    // Reads a material file of the archive; a missing file ends the process (exit code 1) after a
    // box. A malformed file, or one nested deeper than kMaxXmlDepth, is logged and leaves the
    // material as far as it was read.
    void load(const char* fileName);
    void readElement(const TiXmlElement* element, const char* fileName);
    void apply();
    void release();
    void setCallback(MaterialCallback callback);

    std::string name; // the file it was loaded from; "temp" before
    MaterialCallback callback = nullptr;
    Shader* shader = nullptr;
    BRAVIK_LUMENVAT::Array<ShaderUniform*> parameters; // clones of the shader's uniforms, in its order

private:
    // The first parameter named `name`; null (after a box titled `title`) when there is none.
    ShaderUniform* findParameter(const char* name, const char* title, const char* fileName);
};

// Reads the bindings file `fileName` and gives every mesh of `scene` the material bound to its
// material name (or none). A missing bindings file ends the process (exit code 1) after a box.
void bindMaterials(ColladaDocument* document, Scene* scene, SceneManager* sceneManager, const char* fileName,
                   MaterialCallback callback);
