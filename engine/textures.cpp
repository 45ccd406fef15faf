// textures.cpp - the archive's images as GL textures, and named render textures.
//
// rvkUploadTextures decodes every PNG and JPEG of the archive with stb_image into 32-bit RGBA
// (top row first; corrupt files that would make stb overrun, allocate without bound or scale by
// tables it never read are refused first, with zlib measuring a PNG's image data) and uploads
// it: linear filtering with mipmaps and repeat wrapping, unless rvkSetTextureParameter named
// other values for that file beforehand. The images are decoded on worker threads while the main
// thread, which holds the GL context, uploads them in archive order as each is ready: textures,
// GL names and log lines come out as from one thread.
//
// The workers also build the mipmaps, the same bytes that Mesa's generation gives: each level from
// the one above, bilinearly filtered at its pixel centres with weights in 256ths, along the rows
// first (for a side of even length, the rounded mean of two neighbours). GL generates the levels
// of an image with a side whose weights are not whole 256ths, and an image uploaded with
// GL_GENERATE_MIPMAP set to false by rvkSetTextureParameter gets none.
#include "lumenvat_local.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <stb_image.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace lumenvat {

namespace {

// stb_image's buffer of 32-bit pixels, kept as the texture's image rather than copied.
struct ImageFree {
    void operator()(unsigned* pixels) const { stbi_image_free(pixels); }
};
using ImagePixels = std::unique_ptr<unsigned[], ImageFree>;

struct OwnedTexture {
    Texture texture;
    std::string name;
    ImagePixels pixels;
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

// This stb_image version decodes with whatever its quantization tables held before when the frame
// names a table that no DQT segment defined: the picture then depends on uninitialised memory
// (found by fuzzing, as a signed overflow on the garbage). The marker segments are walked the way
// stb reads them, up to the first scan: every table the frame's components name must be defined by
// then, as every encoder writes them. Not a JPEG, or one that stb will refuse anyway, passes.
bool jpegQuantTablesDefined(const unsigned char* bytes, size_t size)
{
    size_t p = 0;
    while (p < size && bytes[p] == 0xFF)
        ++p;
    if (p == 0 || p >= size || bytes[p] != 0xD8)
        return true;
    ++p;
    unsigned defined = 0, named = 0;
    while (p < size) {
        // stb skips any byte that does not start a marker, and the fill bytes before one.
        if (bytes[p] != 0xFF) {
            ++p;
            continue;
        }
        while (p < size && bytes[p] == 0xFF)
            ++p;
        if (p >= size)
            break;
        unsigned char marker = bytes[p++];
        if (marker == 0xDA)
            return (named & ~defined) == 0;
        if (marker == 0xD9)
            break;
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || p + 2 > size)
            continue;
        size_t length = static_cast<size_t>(bytes[p]) << 8 | bytes[p + 1];
        size_t end = std::min(size, p + std::max<size_t>(length, 2));
        if (marker == 0xDB) {
            for (size_t q = p + 2; q < end;) {
                unsigned precision = bytes[q] >> 4, table = bytes[q] & 15;
                if (table < 4)
                    defined |= 1u << table;
                q += 1 + (precision ? 128 : 64);
            }
        } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            // Length, precision, height, width, the component count, then three bytes a component.
            if (p + 8 <= end) {
                size_t components = bytes[p + 7];
                for (size_t c = 0; c < components && p + 10 + 3 * c < end; ++c)
                    if (bytes[p + 10 + 3 * c] < 4)
                        named |= 1u << bytes[p + 10 + 3 * c];
            }
        }
        p = end;
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

bool decodeImageKeepingBuffer(const unsigned char* bytes, size_t size, ImagePixels& pixels, int& width, int& height,
                              std::string& reason)
{
    // Before stb reads anything: its header scan builds the tables too.
    if (!jpegHuffmanTablesFit(bytes, size)) {
        reason = "corrupt JPEG: a Huffman table holds more than 256 codes";
        return false;
    }
    if (!jpegQuantTablesDefined(bytes, size)) {
        reason = "corrupt JPEG: a component's quantization table is never defined";
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
    // stb's buffer comes from malloc, aligned for any type.
    pixels.reset(reinterpret_cast<unsigned*>(rgba));
    width = w;
    height = h;
    return true;
}

// The rounded mean of each byte of two RGBA pixels: (a + b + 1) / 2 without carries between bytes.
inline unsigned meanOfBytes(unsigned a, unsigned b)
{
    return (a | b) - (((a ^ b) & 0xFEFEFEFEu) >> 1);
}

// Where one pixel of a level samples the level above along one side: between texels `first` and
// `second`, `weight` 256ths of the way to `second`.
struct Tap {
    int first = 0, second = 0, weight = 0;
};

// The taps of a side of `above` texels halved (a side of 1 stays 1): a level's pixel centre j + 0.5
// falls on the coordinate (j + 0.5) * above / below - 0.5 of the level above, bilinearly filtered.
// False when a weight is not a whole number of 256ths (a side of some odd lengths), which the
// engine leaves to GL.
bool tapsOfHalvedSide(int above, std::vector<Tap>& taps)
{
    int below = std::max(above / 2, 1);
    taps.assign(static_cast<size_t>(below), Tap());
    long denominator = 2L * below;
    for (int j = 0; j < below; ++j) {
        long numerator = (2L * j + 1) * above - below;
        long remainder = numerator % denominator;
        if (remainder * 256 % denominator != 0)
            return false;
        Tap& tap = taps[static_cast<size_t>(j)];
        tap.first = static_cast<int>(numerator / denominator);
        tap.second = std::min(tap.first + 1, above - 1);
        tap.weight = static_cast<int>(remainder * 256 / denominator);
    }
    return true;
}

// The byte `b` weighted `weight` 256ths against `a`, rounded as Mesa's filter does.
inline int blend(int a, int b, int weight)
{
    return a + (((b - a) * weight + 128) >> 8);
}

inline unsigned blendPixels(unsigned a, unsigned b, int weight)
{
    unsigned out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= static_cast<unsigned>(blend((a >> shift) & 0xFF, (b >> shift) & 0xFF, weight)) << shift;
    return out;
}

// The level below `above` (width x height): each side halved, a side of 1 staying 1, each pixel
// filtered across its row's taps first, then across its column's.
std::vector<unsigned> nextMipmapLevel(const unsigned* above, int width, int height, const std::vector<Tap>& columns,
                                      const std::vector<Tap>& rows)
{
    int w = static_cast<int>(columns.size()), h = static_cast<int>(rows.size());
    std::vector<unsigned> level(static_cast<size_t>(w) * h);
    bool halves = (width % 2 == 0 || width == 1) && (height % 2 == 0 || height == 1);
    for (int y = 0; y < h; ++y) {
        const unsigned* upper = above + static_cast<size_t>(rows[y].first) * width;
        const unsigned* lower = above + static_cast<size_t>(rows[y].second) * width;
        unsigned* out = &level[static_cast<size_t>(y) * w];
        if (halves) {
            // Every weight is 128 or 0: the rounded mean of the pair, or the one texel twice.
            for (int x = 0; x < w; ++x) {
                int left = columns[x].first, right = columns[x].second;
                out[x] = meanOfBytes(meanOfBytes(upper[left], upper[right]), meanOfBytes(lower[left], lower[right]));
            }
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const Tap& c = columns[x];
            out[x] = blendPixels(blendPixels(upper[c.first], upper[c.second], c.weight),
                                 blendPixels(lower[c.first], lower[c.second], c.weight), rows[y].weight);
        }
    }
    return level;
}

// One archive image's decode, filled in by a worker.
struct DecodedImage {
    ImagePixels pixels;
    // Levels 1, 2, ... down to 1x1, or none where GL is to generate them.
    std::vector<std::vector<unsigned>> mipmaps;
    int width = 0, height = 0;
    bool ok = false;
    std::string reason;
    bool ready = false; // guarded by the queue's mutex
};

// Hands the images to the workers in archive order and the decoded ones to the uploader.
class DecodeQueue {
public:
    explicit DecodeQueue(std::vector<ArchiveFile>& files) : files(files), images(files.size())
    {
        // More workers than images or cores only cost threads; the main thread uploads meanwhile.
        unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        size_t count = std::min<size_t>({files.size(), cores, 4});
        for (size_t i = 0; i < count; ++i)
            workers.emplace_back([this] { decodeUntilDone(); });
    }
    ~DecodeQueue()
    {
        for (std::thread& worker : workers)
            worker.join();
    }
    // Blocks until image `index` is decoded.
    DecodedImage& wait(size_t index)
    {
        std::unique_lock<std::mutex> lock(mutex);
        decoded.wait(lock, [&] { return images[index].ready; });
        return images[index];
    }

private:
    void decodeUntilDone()
    {
        for (size_t index = next++; index < files.size(); index = next++) {
            DecodedImage& image = images[index];
            const ArchiveFile& file = files[index];
            image.ok = decodeImageKeepingBuffer(file.bytes.data(), file.bytes.size(), image.pixels, image.width,
                                                image.height, image.reason);
            if (image.ok)
                buildMipmaps(image);
            {
                std::lock_guard<std::mutex> lock(mutex);
                image.ready = true;
            }
            decoded.notify_all();
        }
    }

    static void buildMipmaps(DecodedImage& image)
    {
        const unsigned* above = image.pixels.get();
        std::vector<Tap> columns, rows;
        for (int w = image.width, h = image.height; w > 1 || h > 1; w = std::max(w / 2, 1), h = std::max(h / 2, 1)) {
            if (!tapsOfHalvedSide(w, columns) || !tapsOfHalvedSide(h, rows)) {
                image.mipmaps.clear();
                return;
            }
            image.mipmaps.push_back(nextMipmapLevel(above, w, h, columns, rows));
            above = image.mipmaps.back().data();
        }
    }

    std::vector<ArchiveFile>& files;
    std::vector<DecodedImage> images;
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable decoded;
    std::vector<std::thread> workers;
};

} // namespace

bool decodeImage(const unsigned char* bytes, size_t size, std::vector<unsigned>& pixels, int& width, int& height,
                 std::string& reason)
{
    ImagePixels decoded;
    if (!decodeImageKeepingBuffer(bytes, size, decoded, width, height, reason))
        return false;
    pixels.assign(decoded.get(), decoded.get() + static_cast<size_t>(width) * static_cast<size_t>(height));
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
    std::vector<ArchiveFile>& files = archiveImages();
    DecodeQueue queue(files);
    for (size_t index = 0; index < files.size(); ++index) {
        DecodedImage& image = queue.wait(index);
        ArchiveFile& file = files[index];
        if (!image.ok) {
            rvkMsg("lumenvat: cannot decode %s (%s)\n", file.name.c_str(), image.reason.c_str());
            continue;
        }
        int w = image.width, h = image.height;
        OwnedTexture& t = addTexture(file.name);
        t.pixels = std::move(image.pixels);
        t.texture.width = w;
        t.texture.height = h;
        t.texture.pixels = t.pixels.get();

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
        GLint generate = GL_FALSE;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generate);
        bool ownMipmaps = generate && !image.mipmaps.empty();
        // The flag stays as set, so that a later change of the image regenerates its levels.
        if (ownMipmaps)
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.pixels.get());
        if (ownMipmaps) {
            int level = 1;
            for (const std::vector<unsigned>& pixels : image.mipmaps) {
                w = std::max(w / 2, 1);
                h = std::max(h / 2, 1);
                glTexImage2D(GL_TEXTURE_2D, level++, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            }
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        }
        image.mipmaps.clear();
        image.mipmaps.shrink_to_fit();
        ++uploaded;
        file.bytes.clear();
        file.bytes.shrink_to_fit();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    for (const auto& [name, list] : store.parameters)
        if (store.textures.find(name) == store.textures.end())
            rvkMsg("lumenvat: texture parameters set for %s, which the archive does not hold\n", name.c_str());
    rvkMsg("lumenvat: %d textures uploaded\n", uploaded);
    return static_cast<size_t>(uploaded) == files.size();
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
    t.pixels.reset();
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
