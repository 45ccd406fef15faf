// shader_manager.cpp - programs: compiling, binding, uniforms by name, and the manager that owns
// them.
#include "render/shader_manager.h"

#include "engine_api.h"
#include "render/gl_extensions.h"
#include "render/shader_library.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

using namespace BRAVIK_LUMENVAT;

ShaderManager* shaderManager = nullptr;

namespace {

bool created = false;

const int kInfoLogSize = 1024;

void deleteUniforms(Array<ShaderUniform*>& uniforms)
{
    for (unsigned i = 0; i < uniforms.size(); ++i) {
        ShaderUniform* uniform = uniforms.get(i);
        std::free(uniform->name);
        std::free(uniform->textureName);
        delete uniform;
    }
    uniforms.clear();
}

std::vector<std::string> splitAtDots(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string joinWithDots(const std::vector<std::string>& parts, size_t count)
{
    std::string joined;
    for (size_t i = 0; i < count; ++i)
        joined += (i ? "." : "") + parts[i];
    return joined;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ShaderUniform
// ---------------------------------------------------------------------------------------------

ShaderUniform::ShaderUniform()
{
    for (int i = 0; i < 4; ++i)
        values.add(0.0f);
}

ShaderUniform* ShaderUniform::clone()
{
    ShaderUniform* copy = new ShaderUniform(*this);
    copy->name = name ? strdup(name) : nullptr;
    copy->textureName = textureName ? strdup(textureName) : nullptr;
    return copy;
}

// ---------------------------------------------------------------------------------------------
// Shader
// ---------------------------------------------------------------------------------------------

void Shader::init(const char* programName, const char* fragmentSource, const char* vertexSource)
{
    // Named before anything can fail, so that the manager can still file it under its name.
    name = programName;
    if (!fragmentSource || !vertexSource) {
        std::string text = std::string("ERROR: couldn't init shader! fragment or vertex shader contents were "
                                       "missing [") +
                           (programName ? programName : "(null)") + "] \n";
        rvkMsg("%s", text.c_str());
        return;
    }
    parseUniforms(fragmentSource);
    parseUniforms(vertexSource);
    reportedMissing.clear();

    vertexShader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    glShaderSourceARB(vertexShader, 1, &vertexSource, nullptr);
    glCompileShaderARB(vertexShader);
    printInfoLog(vertexShader);
    bool vertexCompiled = objectStatus(vertexShader, GL_OBJECT_COMPILE_STATUS_ARB);

    fragmentShader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    glShaderSourceARB(fragmentShader, 1, &fragmentSource, nullptr);
    glCompileShaderARB(fragmentShader);
    printInfoLog(fragmentShader);
    bool fragmentCompiled = objectStatus(fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB);

    program = glCreateProgramObjectARB();
    glAttachObjectARB(program, vertexShader);
    glAttachObjectARB(program, fragmentShader);
    glLinkProgramARB(program);
    printInfoLog(program);
    built = vertexCompiled && fragmentCompiled && objectStatus(program, GL_OBJECT_LINK_STATUS_ARB);
    if (!vertexCompiled || !fragmentCompiled)
        rvkMsg("ERROR: shader '%s': the %s did not compile\n", name,
               !vertexCompiled && !fragmentCompiled ? "vertex and fragment shaders"
               : !vertexCompiled                    ? "vertex shader"
                                                    : "fragment shader");
    else if (!built)
        rvkMsg("ERROR: shader '%s': the program did not link\n", name);
    glUseProgramObjectARB(built ? program : 0);
    initialized = true;
}

bool Shader::objectStatus(unsigned object, unsigned status)
{
    GLint value = 0;
    glGetObjectParameterivARB(object, status, &value);
    return value != 0;
}

void Shader::printInfoLog(unsigned object)
{
    char text[kInfoLogSize] = {};
    GLsizei length = 0;
    if (glIsShader(object))
        glGetShaderInfoLog(object, kInfoLogSize, &length, text);
    else
        glGetProgramInfoLog(object, kInfoLogSize, &length, text);
    // Drivers end their logs with a line break or not; the log line always ends with one.
    if (length > 0)
        rvkMsg("%s, %s%s", name, text, text[std::strlen(text) - 1] == '\n' ? "" : "\n");
}

void Shader::bind()
{
    // A program that did not link cannot be used (GL would refuse it in every frame).
    glUseProgramObjectARB(built ? program : 0);
    for (unsigned i = 0; i < uniforms.size(); ++i) {
        ShaderUniform* uniform = uniforms.get(i);
        if (!uniform->isCameraUniform || uniform->type != UNIFORM_VEC3)
            continue;
        Vector v;
        if (std::strcmp(uniform->name, "camPos") == 0)
            rvkGetCameraPosition(v);
        else if (std::strcmp(uniform->name, "camDir") == 0)
            rvkGetCameraDirection(v);
        else if (std::strcmp(uniform->name, "camTarget") == 0)
            rvkGetCameraTarget(v);
        else
            rvkGetCameraUp(v);
        setUniform3f(uniform->name, v.x, v.y, v.z);
    }
}

void Shader::release()
{
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    glDeleteProgram(program);
    initialized = false;
}

int Shader::getUniformLocation(const char* uniformName)
{
    // Nothing to find in a program that did not build; its build failure was logged.
    if (!built)
        return -1;
    int location = glGetUniformLocationARB(program, uniformName);
    // Once per name and program: a uniform the compiler removed as unused is asked for every frame.
    if (location == -1 && reportedMissing.insert(uniformName ? uniformName : "").second) {
        int error = static_cast<int>(glGetError());
        rvkMsg("ERROR: can't find uniform variable '%.500s' from '%.500s'. Error code: '%d'\n", uniformName, name,
               error);
    }
    return location;
}

bool Shader::setUniform1f(const char* uniformName, float x)
{
    int location = getUniformLocation(uniformName);
    if (location == -1)
        return false;
    glUniform1f(location, x);
    return true;
}

bool Shader::setUniform2f(const char* uniformName, float x, float y)
{
    int location = getUniformLocation(uniformName);
    if (location == -1)
        return false;
    glUniform2f(location, x, y);
    return true;
}

bool Shader::setUniform3f(const char* uniformName, float x, float y, float z)
{
    int location = getUniformLocation(uniformName);
    if (location == -1)
        return false;
    glUniform3f(location, x, y, z);
    return true;
}

bool Shader::setUniform4f(const char* uniformName, float x, float y, float z, float w)
{
    int location = getUniformLocation(uniformName);
    if (location == -1)
        return false;
    glUniform4f(location, x, y, z, w);
    return true;
}

bool Shader::setUniform1i(const char* uniformName, int value)
{
    int location = getUniformLocation(uniformName);
    if (location == -1)
        return false;
    glUniform1i(location, value);
    return true;
}

void Shader::parseUniforms(const char* source)
{
    parseUniformDeclarations(source, uniforms);
}

// ---------------------------------------------------------------------------------------------
// ShaderManager
// ---------------------------------------------------------------------------------------------

ShaderManager* ShaderManager::create()
{
    if (created)
        return shaderManager;
    shaderManager = new (std::nothrow) ShaderManager;
    if (!shaderManager)
        throw "ShaderManager::create(): Memory allocation error";
    shaderManager->init();
    created = true;
    rvkMsg("ShaderManager::create(): ShaderManager instance created\n");
    return shaderManager;
}

void ShaderManager::init()
{
    rvkMsg("ShaderManager::init() : Initializing shaders\n");
    for (const BuiltInProgram& builtIn : builtInPrograms()) {
        Shader* shader = new Shader;
        shader->init(builtIn.name, builtIn.fragmentSource, builtIn.vertexSource);
        addShader(shader);
    }
    loadShaderFiles();
    unbind();
    rvkMsg("ShaderManager::init() : Shaders created\n");
}

void ShaderManager::release()
{
    if (!created)
        return;
    created = false;
    // A program filed under two names is still deleted once.
    std::set<Shader*> deleted;
    for (unsigned i = 0; i < shaderManager->shaders.size(); ++i) {
        Shader* shader = shaderManager->shaders.get(i);
        if (!deleted.insert(shader).second)
            continue;
        shader->release();
        deleteUniforms(shader->uniforms);
        delete shader;
    }
    delete shaderManager;
    shaderManager = nullptr;
    rvkMsg("ShaderManager::release(): Instance deleted\n");
}

bool ShaderManager::addShader(const char* programName, Shader* shader)
{
    if (!programName || !shader) {
        rvkMsg("ShaderManager::addShader(): a program without a name or object was not added\n");
        return false;
    }
    if (!shader->initialized)
        rvkMsg("Added shader was not initialized\n");
    shaders.add(programName, shader);
    if (shader->built)
        rvkMsg("ShaderManager::addShader(): Shader \"%s\" loaded.\n", programName);
    else
        rvkMsg("ShaderManager::addShader(): Shader \"%s\" added without a working program; its draws show "
               "nothing\n",
               programName);
    return true;
}

bool ShaderManager::addShader(Shader* shader)
{
    return addShader(shader ? shader->name : nullptr, shader);
}

Shader* ShaderManager::getShader(const char* programName)
{
    return programName ? shaders.find(programName) : nullptr;
}

void ShaderManager::unbind()
{
    glUseProgramObjectARB(0);
}

std::vector<ShaderFilePair> pairShaderFiles(const std::vector<std::string>& fileNames)
{
    std::set<std::string> present(fileNames.begin(), fileNames.end());
    std::vector<ShaderFilePair> pairs;
    for (const std::string& key : present) {
        std::vector<std::string> parts = splitAtDots(key);
        size_t count = parts.size();
        if (count <= 2)
            continue;
        std::string& role = parts[count - 2];
        // The role part decides which file is which ("a.frag.x.glsl" holds ".glsl" but not
        // ".frag.glsl").
        bool keyIsFragment = role == "frag";
        if (role == "frag") {
            role = "vert";
        } else if (role == "vert") {
            role = "frag";
        } else {
            rvkMsg("Warning: Malformed shader name: '%.500s'\n", key.c_str());
            continue;
        }
        std::string partner = joinWithDots(parts, count);
        if (!present.count(partner)) {
            rvkMsg("Warning: shader file '%.500s' has no partner '%.500s'; no program is built from it\n",
                   key.c_str(), partner.c_str());
            continue;
        }
        if (partner <= key)
            continue;
        pairs.push_back({joinWithDots(parts, count - 2), keyIsFragment ? key : partner, keyIsFragment ? partner : key});
    }
    return pairs;
}

// Builds each pair NAME.frag.glsl / NAME.vert.glsl of the archive once, at its first file in
// name order; a pair named like an existing program re-initialises that Shader in place.
void ShaderManager::loadShaderFiles()
{
    std::vector<std::string> files;
    for (int i = 0; i < rvkGetTextCount(); ++i) {
        const char* fileName = rvkGetTextFileNameAtIndex(i);
        if (fileName && std::strstr(fileName, ".glsl"))
            files.emplace_back(fileName);
    }

    for (const ShaderFilePair& pair : pairShaderFiles(files)) {
        const std::string& programName = pair.program;
        rvkMsg("%s\n", programName.c_str());
        Shader* shader = getShader(programName.c_str());
        if (shader)
            deleteUniforms(shader->uniforms);
        else
            shader = new Shader;
        shader->init(strdup(programName.c_str()), rvkGetText(pair.fragmentFile.c_str()),
                     rvkGetText(pair.vertexFile.c_str()));
        addShader(shader);
    }
}

// The containers of shaders, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Array<ShaderUniform*>;
template class Map<Shader*>;
} // namespace BRAVIK_LUMENVAT
