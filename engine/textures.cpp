// textures.cpp - the archive's images as GL textures, and named render textures.
//
// rvkUploadTextures decodes every PNG and JPEG of the archive with stb_image into 32-bit RGBA
// (top row first; corrupt files that would make stb overrun or allocate without bound are refused
// first, with zlib measuring a PNG's image data) and uploads it: linear filtering with mipmaps and repeat wrapping, unless
// rvkSetTextureParameter named other values for that file beforehand.
#include "lumenvat_local.h"

#include <GL/gl.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>
#include <zlib.h>

#include <cstdint>
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

// The JPEG decoder of this stb_image version overruns its Huffman tables when a table claims more
// than 256 codes (found by fuzzing). Every FF C4 (define-Huffman-table) marker of the file is read
// as such a table, conservatively: in entropy-coded data FF is always followed by 00 or a restart
// marker, so a real image never trips this.
bool jpegHuffmanTablesFit(const unsigned char* bytes, size_t size)
{
    // stb takes anything that is not a PNG for a possible JPEG (fill bytes may precede its start).
    static const unsigned char png[4] = {0x89, 'P', 'N', 'G'};
    if (size >= 4 && std::memcmp(bytes, png, 4) == 0)
        return true;
    for (size_t p = 0; p + 1 < size; ++p) {
        if (bytes[p] != 0xFF || bytes[p + 1] != 0xC4)
            continue;
        if (p + 4 > size)
            break;
        long remaining = (static_cast<long>(bytes[p + 2]) << 8 | bytes[p + 3]) - 2;
        size_t q = p + 4;
        while (remaining > 0 && q < size) {
            int codes = 0;
            for (size_t i = q + 1; i <= q + 16 && i < size; ++i)
                codes += bytes[i];
            if (codes > 256)
                return false;
            remaining -= 17 + codes;
            q += 17 + static_cast<size_t>(codes);
        }
    }
    return true;
}

uint32_t bigEndian32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// This stb_image version grows its buffer for a PNG's image data to whatever length an IDAT chunk
// claims before it reads the chunk: 74 bytes claiming 1.6 GB made it ask for 2 GiB (found by
// fuzzing). A chunk longer than what is left of the file can only be corrupt, so such a PNG is
// refused before stb reads it.
bool pngChunksFit(const unsigned char* bytes, size_t size)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(bytes, signature, 8) != 0)
        return true;
    for (size_t at = 8; at + 8 <= size;) {
        uint32_t length = bigEndian32(bytes + at);
        // Length and type, then the data and its CRC (which stb does not read for IEND).
        if (length > size - at - 8)
            return false;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            break;
        if (size - at - 8 - length < 4)
            return false;
        at += 12 + static_cast<size_t>(length);
    }
    return true;
}

// The bytes a PNG's image data inflates to, by its header: each row of each pass (seven with
// Adam7 interlacing) with its filter byte. 0 for a header stb would refuse anyway.
uint64_t pngRawSize(const unsigned char* header)
{
    uint64_t width = bigEndian32(header), height = bigEndian32(header + 4);
    int depth = header[8], colour = header[9], interlace = header[12];
    static const int channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
    int channels = colour <= 6 ? channelsOf[colour] : 0;
    if (!channels || depth < 1 || depth > 16)
        return 0;
    auto passSize = [&](uint64_t w, uint64_t h) { return w && h ? h * ((w * channels * depth + 7) / 8 + 1) : 0; };
    if (!interlace)
        return passSize(width, height);
    static const int adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t total = 0;
    for (const auto& pass : adam7) {
        uint64_t w = width > static_cast<uint64_t>(pass[0]) ? (width - pass[0] + pass[2] - 1) / pass[2] : 0;
        uint64_t h = height > static_cast<uint64_t>(pass[1]) ? (height - pass[1] + pass[3] - 1) / pass[3] : 0;
        total += passSize(w, h);
    }
    return total;
}

// stb inflates a PNG's image data into a buffer it doubles for as long as the data goes on, so
// 400 KB of compressed zeros under a 1x1 header took 220 MB more, and a large file would take all
// the memory there is. The data is inflated here first, counting the bytes into a small scratch buffer: a
// PNG whose data inflates to more than its header's size is refused. Expects pngChunksFit.
bool pngDataFitsItsHeader(const unsigned char* bytes, size_t size)
{
    static const unsigned char png[4] = {0x89, 'P', 'N', 'G'};
    if (size < 33 || std::memcmp(bytes, png, 4) != 0)
        return true; // not a PNG
    if (std::memcmp(bytes + 12, "IHDR", 4) != 0 || bigEndian32(bytes + 8) < 13)
        return true; // stb refuses it on its own
    uint64_t limit = pngRawSize(bytes + 16);
    z_stream z = {};
    if (inflateInit(&z) != Z_OK)
        return true;
    unsigned char scratch[16384];
    bool fits = true, ended = false;
    for (size_t at = 8; fits && !ended && at + 8 <= size;) {
        uint32_t length = bigEndian32(bytes + at);
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            break;
        if (std::memcmp(bytes + at + 4, "IDAT", 4) == 0) {
            z.next_in = const_cast<unsigned char*>(bytes + at + 8);
            z.avail_in = length;
            while (fits && z.avail_in > 0) {
                z.next_out = scratch;
                z.avail_out = sizeof(scratch);
                int status = inflate(&z, Z_NO_FLUSH);
                fits = z.total_out <= limit;
                if (status != Z_OK) {
                    ended = true; // the stream's end, or an error stb reports itself
                    break;
                }
            }
        }
        at += 12 + static_cast<size_t>(length);
    }
    inflateEnd(&z);
    return fits;
}

} // namespace

bool decodeImage(const unsigned char* bytes, size_t size, std::vector<unsigned>& pixels, int& width, int& height,
                 std::string& reason)
{
    // Before stb reads anything: its header scan builds the tables too.
    if (!jpegHuffmanTablesFit(bytes, size)) {
        reason = "corrupt JPEG: a Huffman table holds more than 256 codes";
        return false;
    }
    if (!pngChunksFit(bytes, size)) {
        reason = "corrupt PNG: a chunk runs past the end of the file";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    if (size > static_cast<size_t>(INT32_MAX) || !stbi_info_from_memory(bytes, static_cast<int>(size), &w, &h, &channels)) {
        reason = size > static_cast<size_t>(INT32_MAX) ? "too large" : stbi_failure_reason();
        return false;
    }
    // The header alone decides the allocation: refuse what no GL texture could hold anyway.
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
        reason = "its size " + std::to_string(w) + "x" + std::to_string(h) + " exceeds " +
                 std::to_string(kMaxImageSide) + " pixels a side";
        return false;
    }
    // With the size bounded, so is the inflating.
    if (!pngDataFitsItsHeader(bytes, size)) {
        reason = "corrupt PNG: its image data inflates to more than its size holds";
        return false;
    }
    stbi_uc* rgba = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &channels, 4);
    if (!rgba) {
        reason = stbi_failure_reason();
        return false;
    }
    pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    std::memcpy(pixels.data(), rgba, pixels.size() * 4);
    stbi_image_free(rgba);
    width = w;
    height = h;
    return true;
}

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
        int w = 0, h = 0;
        std::vector<unsigned> pixels;
        std::string reason;
        if (!decodeImage(file.bytes.data(), file.bytes.size(), pixels, w, h, reason)) {
            rvkMsg("lumenvat: cannot decode %s (%s)\n", file.name.c_str(), reason.c_str());
            continue;
        }
        OwnedTexture& t = addTexture(file.name);
        t.pixels = std::move(pixels);
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
