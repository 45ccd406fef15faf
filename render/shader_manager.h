// shader_manager.h - every GLSL program of the production, by name.
//
// The ShaderManager singleton builds the built-in programs (shader_library) and then every pair
// NAME.frag.glsl / NAME.vert.glsl among the archive's texts; a pair named like a built-in
// replaces it in place, so Shader pointers taken earlier stay valid. Effects look programs up by
// name, bind them and set uniforms by name.
//
// Each Shader scans its sources for uniform declarations (parseUniformDeclarations): materials
// copy that list, and the camera uniforms camPos, camDir, camTarget and camUp are refreshed from
// the engine's camera on every bind. The scan is deliberately simple and the sources are laid
// out for it: a declaration counts only when "uniform" is in the first space-separated word of
// its statement, and a range annotation may follow the name, as in
//     uniform vec3 lightDir/*-1.24____168912.3*/;
#pragma once

#include "containers/containers.h"

#include <set>
#include <string>
#include <vector>

enum UniformType {
    UNIFORM_FLOAT = 0,
    UNIFORM_VEC2 = 1,
    UNIFORM_VEC3 = 2,
    UNIFORM_VEC4 = 3,
    UNIFORM_SAMPLER2D = 4,
    UNIFORM_SAMPLERCUBE = 5,
    UNIFORM_OTHER = 6,
};

// Components a type's default value fills: float 1, vec2 2, vec3 3, vec4 4, every other type 1.
int uniformComponentCount(UniformType type);

class ShaderUniform {
public:
    ShaderUniform();
    // A heap copy with its own name and texture name.
    ShaderUniform* clone();

    char* name = nullptr;        // malloc'd
    char* textureName = nullptr; // set by materials for sampler uniforms; malloc'd
    UniformType type = UNIFORM_OTHER;
    BRAVIK_LUMENVAT::Array<float> values; // always four elements
    float min = 0;
    float max = 0;
    bool isCameraUniform = false;
};

// Appends the uniforms declared in `source` to `uniforms`, in source order, and stops at the
// first statement that starts with "void". Logs (without a line break) an annotation bound that
// overflows a float.
void parseUniformDeclarations(const char* source, BRAVIK_LUMENVAT::Array<ShaderUniform*>& uniforms);

class Shader {
public:
    // Compiles and links the pair (fragment source first) and leaves the program current. A pair
    // that does not compile or link is still initialized (and filed by the manager), with `built`
    // false and an "ERROR: shader ..." line after the driver's info text.
    void init(const char* name, const char* fragmentSource, const char* vertexSource);
    void bind();
    void release();

    // The location of a uniform of this program; a missing one (often one the compiler removed as
    // unused) is logged once per name until the next init.
    int getUniformLocation(const char* uniformName);
    // Set a uniform of the current program (bind first); false when it does not exist.
    bool setUniform1f(const char* uniformName, float x);
    bool setUniform2f(const char* uniformName, float x, float y);
    bool setUniform3f(const char* uniformName, float x, float y, float z);
    bool setUniform4f(const char* uniformName, float x, float y, float z, float w);
    bool setUniform1i(const char* uniformName, int value);

    void parseUniforms(const char* source);

    BRAVIK_LUMENVAT::Array<ShaderUniform*> uniforms;
    bool initialized = false;
    const char* name = nullptr;
    unsigned vertexShader = 0;
    unsigned fragmentShader = 0;
    unsigned program = 0;
    // Both shaders compiled and the program linked.
    bool built = false;

private:
    void printInfoLog(unsigned object);
    static bool objectStatus(unsigned object, unsigned status);
    std::set<std::string> reportedMissing;
};

// A program's pair of shader files.
struct ShaderFilePair {
    std::string program;
    std::string fragmentFile;
    std::string vertexFile;
};

// Pairs NAME.frag.glsl with NAME.vert.glsl among `fileNames` (any order, duplicates ignored):
// one pair per program, in name order of its first file; the program name is everything before
// the last two dot-separated parts. Logs "Warning: Malformed shader name" for a file of three or
// more parts whose role part is neither frag nor vert, and a warning for a file without its
// partner; names of two parts or fewer are skipped silently.
std::vector<ShaderFilePair> pairShaderFiles(const std::vector<std::string>& fileNames);

class ShaderManager {
public:
    // The instance, made and initialised on the first call.
    static ShaderManager* create();
    // Deletes every program and the instance; does nothing when there is none.
    static void release();

    // Files the shader under the name (replacing, never deleting, one there); logs "Shader ...
    // loaded." only for a built program, else that it was added without a working one.
    bool addShader(const char* name, Shader* shader);
    bool addShader(Shader* shader);
    // Null when no program has that name.
    Shader* getShader(const char* name);
    // Leaves no program current.
    void unbind();
    void loadShaderFiles();

    BRAVIK_LUMENVAT::Map<Shader*> shaders;

private:
    void init();
};

// The instance while it exists, else null.
extern ShaderManager* shaderManager;
