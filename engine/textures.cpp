// textures.cpp - the archive's images as GL textures, and named render textures.
//
// rvkUploadTextures decodes every PNG and JPEG of the archive with stb_image into 32-bit RGBA
// (top row first) and uploads it: linear filtering with mipmaps and repeat wrapping, unless
// rvkSetTextureParameter named other values for that file beforehand.
#include "lumenvat_local.h"

#include <GL/gl.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace lumenvat {

namespace {

struct OwnedTexture {
    Texture texture;
    std::string name;
    std::vector<unsigned> pixels;
};

// The texture module's state, reset as a whole at shutdown.
struct TextureState {
    std::map<std::string, std::unique_ptr<OwnedTexture>> textures;
    std::map<std::string, std::vector<std::pair<unsigned, float>>> parameters;
    std::set<std::string> reportedMissing;
};

TextureState store;

OwnedTexture& addTexture(const std::string& name)
{
    auto& slot = store.textures[name];
    slot = std::make_unique<OwnedTexture>();
    slot->name = name;
    slot->texture.name = slot->name.c_str();
    return *slot;
}

} // namespace

void texturesShutDown()
{
    store = TextureState();
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkSetTextureParameter(const char* name, unsigned parameter, float value)
{
    if (name)
        store.parameters[name].emplace_back(parameter, value);
}

bool rvkUploadTextures()
{
    int uploaded = 0;
    for (ArchiveFile& file : archiveImages()) {
        int w = 0, h = 0, channels = 0;
        stbi_uc* rgba = stbi_load_from_memory(file.bytes.data(), static_cast<int>(file.bytes.size()), &w, &h,
                                              &channels, 4);
        if (!rgba) {
            rvkMsg("lumenvat: cannot decode %s (%s)\n", file.name.c_str(), stbi_failure_reason());
            continue;
        }
        OwnedTexture& t = addTexture(file.name);
        t.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        std::memcpy(t.pixels.data(), rgba, t.pixels.size() * 4);
        stbi_image_free(rgba);
        t.texture.width = w;
        t.texture.height = h;
        t.texture.pixels = t.pixels.data();

        glGenTextures(1, &t.texture.id);
        glBindTexture(GL_TEXTURE_2D, t.texture.id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        auto custom = store.parameters.find(file.name);
        if (custom != store.parameters.end())
            for (auto [parameter, value] : custom->second)
                glTexParameterf(GL_TEXTURE_2D, parameter, value);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.pixels.data());
        ++uploaded;
        file.bytes.clear();
        file.bytes.shrink_to_fit();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    for (const auto& [name, list] : store.parameters)
        if (store.textures.find(name) == store.textures.end())
            rvkMsg("lumenvat: texture parameters set for %s, which the archive does not hold\n", name.c_str());
    rvkMsg("lumenvat: %d textures uploaded\n", uploaded);
    return true;
}

Texture* rvkGetTexture(const char* name)
{
    if (!name)
        return nullptr;
    auto it = store.textures.find(name);
    if (it != store.textures.end())
        return &it->second->texture;
    if (store.reportedMissing.insert(name).second)
        rvkMsg("lumenvat: no texture named %s\n", name);
    return nullptr;
}

Texture* rvkAddRenderToTexture(const char* name, int width, int height)
{
    if (!name || width <= 0 || height <= 0)
        return nullptr;
    // A name in use keeps its Texture object, which callers may hold, and its GL name; only the
    // storage is remade at the new size.
    auto existing = store.textures.find(name);
    OwnedTexture& t = existing != store.textures.end() ? *existing->second : addTexture(name);
    if (existing != store.textures.end())
        rvkMsg("lumenvat: render texture %s replaces the texture of that name\n", name);
    t.pixels.clear();
    t.pixels.shrink_to_fit();
    t.texture.pixels = nullptr;
    t.texture.width = width;
    t.texture.height = height;
    if (t.texture.id == 0)
        glGenTextures(1, &t.texture.id);
    glBindTexture(GL_TEXTURE_2D, t.texture.id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    store.reportedMissing.erase(name);
    return &t.texture;
}

} // namespace BRAVIK_LUMENVAT
