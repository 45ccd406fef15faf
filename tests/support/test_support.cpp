// test_support.cpp - shared test helpers.
#include "test_support.h"

#include "engine_api.h"

#include <GL/gl.h>
#include <zlib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BRAVIK_LUMENVAT;

namespace testsupport {

namespace {
bool opened = false;
std::string keptPak, keptLog;
} // namespace

bool openGLWindow(int width, int height, const std::string& pakPath)
{
    if (opened)
        return true;
    if (!rvkHasDisplay())
        return false;
    keptPak = pakPath;
    keptLog = makeTempDir("gl-log") + "/test.log";
    RvkOptions options;
    options.noAudio = true;
    options.boxesToLogOnly = true;
    options.logPath = keptLog.c_str();
    options.dataPath = keptPak.empty() ? nullptr : keptPak.c_str();
    rvkSetOptions(&options);
    int aspect = width * 10 >= height * 17 ? 2 : (width * 10 >= height * 15 ? 1 : 0);
    rvkInitEx(width, height, 32, false, true, false, false, 8, aspect, "data.pak", 60);
    if (!keptPak.empty()) {
        rvkReadPak("data.pak");
        rvkUploadTextures();
    }
    opened = true;
    return true;
}

std::vector<Rgba> readPixels(int x, int y, int width, int height)
{
    std::vector<Rgba> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgba readPixel(int x, int y)
{
    return readPixels(x, y, 1, 1)[0];
}

std::vector<Rgba> loadPng(const std::string& path, int& width, int& height)
{
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (!data)
        return {};
    std::vector<Rgba> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::memcpy(pixels.data(), data, pixels.size() * 4);
    stbi_image_free(data);
    return pixels;
}

std::string engineLog()
{
    std::string text;
    readFile(keptLog, text);
    return text;
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string programPath()
{
    return binaryDir() + "/sublumen";
}

std::string builtPakPath()
{
    return binaryDir() + "/data.pak";
}

std::string testPakPath()
{
    return SUBLUMEN_TEST_PAK;
}

int runProgram(const std::string& arguments, std::string* output)
{
    return runCommand(programPath() + " " + arguments, output);
}

Luminance luminanceOf(const std::vector<Rgba>& pixels)
{
    Luminance l;
    if (pixels.empty())
        return l;
    double square = 0;
    for (const Rgba& p : pixels) {
        double v = (p.r + p.g + p.b) / 3.0;
        l.mean += v;
        square += v * v;
    }
    l.mean /= static_cast<double>(pixels.size());
    l.deviation = std::sqrt(std::max(0.0, square / static_cast<double>(pixels.size()) - l.mean * l.mean));
    return l;
}

std::string framePath(const std::string& dir, int frame)
{
    char name[32];
    std::snprintf(name, sizeof(name), "/%06d.png", frame);
    return dir + name;
}

bool sameFrameBytes(const std::string& dirA, const std::string& dirB, int frame)
{
    std::string a, b;
    return readFile(framePath(dirA, frame), a) && readFile(framePath(dirB, frame), b) && a == b;
}

std::string zipOf(const std::vector<ZipEntry>& entries)
{
    auto u16 = [](std::string& out, unsigned v) { out += char(v & 0xFF), out += char(v >> 8 & 0xFF); };
    auto u32 = [&](std::string& out, uint32_t v) { u16(out, v & 0xFFFF), u16(out, v >> 16); };
    std::string zip, directory;
    for (const ZipEntry& entry : entries) {
        std::string_view data = entry.data;
        std::string packed(data);
        if (entry.deflate) {
            packed.assign(compressBound(static_cast<uLong>(data.size())), '\0');
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
            z.avail_in = static_cast<uInt>(data.size());
            z.next_out = reinterpret_cast<Bytef*>(packed.data());
            z.avail_out = static_cast<uInt>(packed.size());
            deflate(&z, Z_FINISH);
            packed.resize(z.total_out);
            deflateEnd(&z);
        }
        uint32_t offset = static_cast<uint32_t>(zip.size());
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        auto common = [&](std::string& out) {
            u16(out, 20), u16(out, 0), u16(out, entry.deflate ? 8 : 0), u16(out, 0), u16(out, 0x21), u32(out, crc);
            u32(out, static_cast<uint32_t>(packed.size())), u32(out, static_cast<uint32_t>(data.size()));
            u16(out, static_cast<unsigned>(entry.name.size())), u16(out, 0);
        };
        u32(zip, 0x04034b50u), common(zip), zip += entry.name, zip += packed;
        u32(directory, 0x02014b50u), u16(directory, 20), common(directory);
        u16(directory, 0), u16(directory, 0), u16(directory, 0), u32(directory, 0), u32(directory, offset);
        directory += entry.name;
    }
    uint32_t at = static_cast<uint32_t>(zip.size());
    zip += directory;
    unsigned count = static_cast<unsigned>(entries.size());
    u32(zip, 0x06054b50u), u16(zip, 0), u16(zip, 0), u16(zip, count), u16(zip, count);
    u32(zip, static_cast<uint32_t>(directory.size())), u32(zip, at), u16(zip, 0);
    return zip;
}

std::string logOf(const std::string& dir)
{
    std::string log;
    readFile(dir + "/log.txt", log);
    return log;
}

SmallFilesystem::SmallFilesystem(const std::string& dir, const char* options) : path(dir)
{
    mounted = options && ::mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
}

SmallFilesystem::~SmallFilesystem()
{
    if (mounted)
        umount(path.c_str());
}

ReadOnlyFolder::ReadOnlyFolder(const std::string& dir) : mount(dir, geteuid() == 0 ? "size=64k" : nullptr)
{
    if (geteuid() == 0)
        ready = mount.mounted && ::mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    else
        ready = chmod(dir.c_str(), 0555) == 0;
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!mount.mounted)
        chmod(mount.path.c_str(), 0755);
}

} // namespace testsupport
