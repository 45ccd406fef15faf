// uniform_parser.cpp - the scan of GLSL sources for uniform declarations and range annotations.
//
// The grammar is word-based, not a GLSL parser: statements are cut at every ';', words at every
// space (tabs and line breaks stay glued to their word), empty pieces are kept. Per statement:
// the first word must contain "uniform" (and no comment opener), then come the type word and the
// name word; the first later word holding a '/' is the range annotation, e.g. /*0.5____2*/ for
// 0.5..2 or /*5*/ for 0..5. A statement whose first word contains "void" ends the scan, which
// normally stops it at main().
#include "render/shader_manager.h"

#include "engine_api.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace BRAVIK_LUMENVAT;

namespace {

// Characters an annotated name loses at its end: what an annotation glued to it is made of.
const char* const kTrimmedTail = "/*_1234567890.-";

// Cuts at every delimiter character and keeps empty pieces: n delimiters give n + 1 pieces.
std::vector<std::string> split(const std::string& text, const char* delimiters)
{
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (std::strchr(delimiters, c))
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

void trimName(char* name)
{
    size_t length = std::strlen(name);
    while (length > 0 && std::strchr(kTrimmedTail, name[length - 1]))
        name[--length] = '\0';
}

UniformType typeOf(const std::string& word)
{
    static const char* const kTypes[] = {"float", "vec2", "vec3", "vec4", "sampler2D", "samplerCube"};
    for (int i = 0; i < 6; ++i)
        if (word == kTypes[i])
            return static_cast<UniformType>(i);
    return UNIFORM_OTHER;
}

bool isCameraName(const char* name)
{
    return std::strcmp(name, "camPos") == 0 || std::strcmp(name, "camDir") == 0 ||
           std::strcmp(name, "camTarget") == 0 || std::strcmp(name, "camUp") == 0;
}

void nameUniform(ShaderUniform& uniform, const std::string& word)
{
    uniform.name = strdup(word.c_str());
    if (contains(word, "/"))
        trimName(uniform.name);
    uniform.isCameraUniform = isCameraName(uniform.name);
    if (uniform.type != UNIFORM_SAMPLER2D && uniform.type != UNIFORM_SAMPLERCUBE) {
        uniform.min = 0;
        uniform.max = 1;
        for (int i = 0; i < uniformComponentCount(uniform.type); ++i)
            uniform.values.set(i, (uniform.max - uniform.min) + uniform.min);
    }
}

// The last non-empty piece (not before piece 1) is the maximum, the non-empty piece before it (or
// piece 0) the minimum; every component takes the midpoint.
void applyAnnotation(ShaderUniform& uniform, const std::string& word)
{
    trimName(uniform.name);
    std::vector<std::string> parts = split(word, "/*_");
    size_t count = parts.size();
    if (count <= 2)
        return;
    size_t i = count - 1;
    while (i > 1 && parts[i].empty())
        --i;
    uniform.max = static_cast<float>(std::strtod(parts[i].c_str(), nullptr));
    if (std::isinf(uniform.max) && uniform.max > 0)
        rvkMsg("Parsing uniform maximum resulted in HUGE_VAL for uniform name: %.500s", uniform.name);
    size_t j = i - 1;
    while (j > 0 && parts[j].empty())
        --j;
    uniform.min = static_cast<float>(std::strtod(parts[j].c_str(), nullptr));
    if (std::isinf(uniform.min) && uniform.min > 0)
        rvkMsg("Parsing uniform minimum resulted in HUGE_VAL for uniform name: %.500s", uniform.name);
    // Wider than float on purpose: the midpoint is rounded once, at the end.
    double middle = static_cast<double>(uniform.min) +
                    (static_cast<double>(uniform.max) - static_cast<double>(uniform.min)) * 0.5;
    for (int k = 0; k < 4; ++k)
        uniform.values.set(k, static_cast<float>(middle));
}

} // namespace

int uniformComponentCount(UniformType type)
{
    static const int kCounts[7] = {1, 2, 3, 4, 1, 1, 1};
    return type >= 0 && type <= UNIFORM_OTHER ? kCounts[type] : 1;
}

void parseUniformDeclarations(const char* source, Array<ShaderUniform*>& uniforms)
{
    if (!source || !*source)
        return;
    enum State { kFirstWord, kType, kName, kAnnotation, kDone };
    for (const std::string& statement : split(source, ";")) {
        std::unique_ptr<ShaderUniform> pending;
        ShaderUniform* added = nullptr;
        State state = kFirstWord;
        for (const std::string& word : split(statement, " ")) {
            if (state == kFirstWord) {
                if (contains(word, "uniform") && !contains(word, "//") && !contains(word, "/*")) {
                    pending.reset(new ShaderUniform);
                    state = kType;
                    continue;
                }
                if (contains(word, "void"))
                    return;
                break;
            }
            if (state == kType) {
                if (word.empty())
                    continue;
                pending->type = typeOf(word);
                state = kName;
                continue;
            }
            if (state == kName) {
                if (word.empty())
                    continue;
                nameUniform(*pending, word);
                added = pending.release();
                uniforms.add(added);
                state = kAnnotation;
            }
            if (state == kAnnotation) {
                if (!contains(word, "/"))
                    continue;
                applyAnnotation(*added, word);
                state = kDone;
                continue;
            }
            break;
        }
    }
}
