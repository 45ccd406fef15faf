// skene_materials.h - the scene's material files and its material-bindings file.
//
// A material file names one of the GLSL programs of data/ (skene_stone, skene_metal, skene_glow)
// and gives a value to each of that program's uniforms, camera uniforms excepted, and a texture to
// each sampler. The bindings file maps the material symbols of the COLLADA document to material
// keys (file names without ".material.xml").
#pragma once

#include <string>
#include <vector>

namespace skene {

struct MaterialValue {
    std::string name;
    std::vector<float> values; // one to four components
};

struct MaterialTexture {
    std::string name; // the sampler uniform
    std::string file; // an image of the archive
};

struct MaterialDefinition {
    std::string key;     // file name without ".material.xml"
    std::string symbol;  // the COLLADA material symbol bound to it
    std::string program; // program name (its .frag.glsl / .vert.glsl pair)
    std::vector<MaterialValue> values;
    std::vector<MaterialTexture> textures;
};

const std::vector<MaterialDefinition>& sceneMaterials();

// The bindings file's name and text; a material file's name and text.
extern const char* const kBindingsFile;
std::string bindingsText();
std::string materialFileName(const MaterialDefinition& definition);
std::string materialText(const MaterialDefinition& definition);

} // namespace skene
