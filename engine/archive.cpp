// archive.cpp - the data archive: "data.pak" (a zip) mounted with PhysicsFS, optionally under a
// development folder that overrides it file by file, and the texts of the archive.
//
// Look-ups are by file name. At rvkReadPak every file of the archive's top level is sorted by
// what it is: texts (.glsl .xml .dae .txt) are kept as strings, indexed in name order; images
// (.png .jpg .jpeg) wait for rvkUploadTextures; the first module file in name order is the music.
// Only regular files up to 64 MiB are read, and no more than 128 MiB in all; others are logged
// and left out. The archive itself is a regular file (a zip) or a folder, checked before it is
// opened: anything else (a FIFO, a device) could block the open forever.
#include "lumenvat_local.h"

#include <physfs.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumenvat {

namespace {

// No file of the production comes near this; anything larger (a stray video in the overlay
// folder, a zip entry claiming gigabytes) is left out instead of read whole.
constexpr PHYSFS_sint64 kMaxFileBytes = 64ll * 1024 * 1024;
// The archive's files the program holds, all together: a small zip of highly compressible
// entries could otherwise expand to gigabytes. The production's own come to about 8 MiB.
constexpr PHYSFS_sint64 kMaxArchiveBytes = 128ll * 1024 * 1024;

// The archive module's state, reset as a whole at shutdown.
struct ArchiveState {
    bool mounted = false;
    std::map<std::string, std::string> texts;
    std::vector<const std::pair<const std::string, std::string>*> textIndex;
    std::vector<ArchiveFile> images;
    ArchiveFile module;
};

ArchiveState archive;

std::string lowerExtension(const std::string& name)
{
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return "";
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

bool isText(const std::string& ext)
{
    return ext == "glsl" || ext == "xml" || ext == "dae" || ext == "txt";
}

bool isImage(const std::string& ext)
{
    return ext == "png" || ext == "jpg" || ext == "jpeg";
}

bool isModule(const std::string& ext)
{
    return ext == "xm" || ext == "it" || ext == "s3m" || ext == "mod" || ext == "mptm";
}

// Where the archive is looked for, in order: the --data path alone when one is given; else beside
// the program (a build folder, a bundle), then the installed layout's share folder
// (PREFIX/bin/sublumen reads PREFIX/share/sublumen/data.pak), then the working folder.
std::vector<std::string> archivePlaces(const std::string& name)
{
    if (!options().dataPath.empty())
        return {options().dataPath};
    std::string dir = osExecutableDir();
    std::string parent = dir.substr(0, dir.find_last_of("/\\"));
    return {dir + "/" + name, parent + "/share/sublumen/" + name, name};
}

bool readWhole(const char* name, std::vector<unsigned char>& bytes)
{
    PHYSFS_File* file = PHYSFS_openRead(name);
    if (!file)
        return false;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    bool ok = length >= 0 && length <= kMaxFileBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(length));
        ok = PHYSFS_readBytes(file, bytes.data(), static_cast<PHYSFS_uint64>(length)) == length;
    }
    PHYSFS_close(file);
    return ok;
}

const char* physfsError()
{
    return PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
}

// A name the archive may hold: relative, no ".." step, no backslash, no control character.
bool isSafeEntryName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c < 0x20)
            return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        std::string step = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (step == "..")
            return false;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return true;
}

// The archive's top-level file names, with unsafe entries left out and logged. PhysicsFS refuses
// to list a zip at all when one entry's name starts with "/" (while still opening the others by
// name), so the names come from the zip's own directory where PhysicsFS cannot list them.
std::vector<std::string> listArchive(const std::string& path)
{
    std::vector<std::string> names;
    std::vector<std::string> unsafe;
    std::vector<unsigned char> bytes;
    bool isZip = false;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        long size = std::ftell(file);
        if (size > 0 && size <= (1l << 30)) {
            bytes.resize(static_cast<size_t>(size));
            std::fseek(file, 0, SEEK_SET);
            isZip = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
        }
        std::fclose(file);
    }
    std::vector<std::string> entries;
    if (isZip && zipEntryNames(bytes.data(), bytes.size(), entries)) {
        for (const std::string& entry : entries) {
            if (!isSafeEntryName(entry))
                unsafe.push_back(entry);
            else if (entry.find('/') == std::string::npos)
                names.push_back(entry);
        }
    }
    for (const std::string& entry : unsafe)
        rvkMsg("lumenvat: the archive's entry '%.300s' has an unsafe name; skipped\n", entry.c_str());

    char** listed = PHYSFS_enumerateFiles("");
    if (listed) {
        names.clear();
        for (char** n = listed; *n; ++n)
            names.emplace_back(*n);
        PHYSFS_freeList(listed);
    }
    // The overlay folder's own files, where the listing failed.
    if (!listed && !options().overlayDir.empty()) {
        if (DIR* dir = opendir(options().overlayDir.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(dir);
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// Mounts a zip file or a folder as the archive (`overlay`: the development folder over it); false
// with the reason otherwise. Only a regular file or a folder is opened, so nothing blocks.
bool mountArchive(const std::string& path, bool overlay, std::string& reason)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) && (overlay || !S_ISREG(info.st_mode))) {
        reason = overlay ? "not a folder" : "neither a file nor a folder";
        return false;
    }
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) {
        reason = physfsError();
        return false;
    }
    return true;
}

} // namespace

bool zipEntryNames(const unsigned char* bytes, size_t size, std::vector<std::string>& names)
{
    auto u16 = [&](size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | u16(at + 2) << 16); };
    if (size < 22)
        return false;
    // The end-of-directory record: the last one within the final 64 KiB + 22 bytes.
    size_t end = size - 22, lowest = size > 65557 ? size - 65557 : 0;
    for (;; --end) {
        if (u32(end) == 0x06054b50u)
            break;
        if (end == lowest)
            return false;
    }
    size_t count = u16(end + 10);
    size_t at = u32(end + 16);
    for (size_t i = 0; i < count; ++i) {
        if (at > size || size - at < 46 || u32(at) != 0x02014b50u)
            return false;
        size_t nameLength = u16(at + 28), extra = u16(at + 30), comment = u16(at + 32);
        if (size - at - 46 < nameLength)
            return false;
        names.emplace_back(reinterpret_cast<const char*>(bytes + at + 46), nameLength);
        at += 46 + nameLength + extra + comment;
    }
    return true;
}

bool archiveMounted()
{
    return archive.mounted;
}

std::vector<ArchiveFile>& archiveImages()
{
    return archive.images;
}

ArchiveFile& archiveModule()
{
    return archive.module;
}

void archiveShutDown()
{
    if (PHYSFS_isInit())
        PHYSFS_deinit();
    archive = ArchiveState();
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

bool rvkReadPak(const char* name)
{
    openLog();
    if (archive.mounted)
        return true;
    std::vector<std::string> places = archivePlaces(name ? name : "data.pak");
    std::string path;
    for (const std::string& place : places)
        if (access(place.c_str(), R_OK) == 0) {
            path = place;
            break;
        }
    if (!PHYSFS_isInit() && !PHYSFS_init(nullptr)) {
        rvkMsg("lumenvat: PhysicsFS could not start (%s)\n", physfsError());
        return false;
    }
    std::string reason;
    if (!options().overlayDir.empty()) {
        if (mountArchive(options().overlayDir, true, reason))
            rvkMsg("lumenvat: development folder %s overrides the archive\n", options().overlayDir.c_str());
        else
            rvkMsg("lumenvat: cannot mount the development folder %s (%s)\n", options().overlayDir.c_str(),
                   reason.c_str());
    }
    if (path.empty() || !mountArchive(path, false, reason)) {
        std::string looked;
        for (const std::string& place : places)
            looked += "\n" + place;
        if (path.empty())
            rvkMsg("lumenvat: no data archive; looked for it at:%s\n", looked.c_str());
        else
            rvkMsg("lumenvat: cannot open the archive %s (%s)\n", path.c_str(), reason.c_str());
        std::string text = "The data archive could not be opened. Looked for it at:" + looked +
                           "\n\nBuild it with: cmake --build build";
        rvkMessageBox(rvkGetHWND(), text.c_str(), "Sublumen", RVK_MB_ICONHAND | RVK_MB_TOPMOST);
        rvkExitProcess(1);
    }
    archive.mounted = true;

    std::vector<std::string> sorted = listArchive(path);
    PHYSFS_sint64 held = 0;

    for (const std::string& file : sorted) {
        std::string ext = lowerExtension(file);
        if (!isText(ext) && !isImage(ext) && !isModule(ext))
            continue;
        if (isModule(ext) && !archive.module.bytes.empty())
            continue;
        // Only regular files of a sane size are opened: opening a FIFO of the overlay folder
        // would wait for a writer forever.
        PHYSFS_Stat info;
        if (!PHYSFS_stat(file.c_str(), &info)) {
            rvkMsg("lumenvat: cannot read %s from the archive (%s)\n", file.c_str(), physfsError());
            continue;
        }
        if (info.filetype != PHYSFS_FILETYPE_REGULAR) {
            rvkMsg("lumenvat: %s is not a regular file; left out\n", file.c_str());
            continue;
        }
        if (info.filesize > kMaxFileBytes) {
            rvkMsg("lumenvat: %s holds %lld bytes, more than the %lld MiB a file may; left out\n", file.c_str(),
                   static_cast<long long>(info.filesize), static_cast<long long>(kMaxFileBytes >> 20));
            continue;
        }
        if (held + info.filesize > kMaxArchiveBytes) {
            rvkMsg("lumenvat: %s (%lld bytes) would take the archive's files past the %lld MiB they may hold in "
                   "all; left out\n",
                   file.c_str(), static_cast<long long>(info.filesize), static_cast<long long>(kMaxArchiveBytes >> 20));
            continue;
        }
        held += info.filesize;
        std::vector<unsigned char> bytes;
        if (!readWhole(file.c_str(), bytes)) {
            rvkMsg("lumenvat: cannot read %s from the archive (%s)\n", file.c_str(), physfsError());
            continue;
        }
        if (isText(ext))
            archive.texts[file] = std::string(bytes.begin(), bytes.end());
        else if (isImage(ext))
            archive.images.push_back({file, std::move(bytes)});
        else
            archive.module = {file, std::move(bytes)};
    }
    archive.textIndex.clear();
    for (const auto& entry : archive.texts)
        archive.textIndex.push_back(&entry);
    rvkMsg("lumenvat: archive %s: %zu texts, %zu images, module %s\n", path.c_str(), archive.texts.size(), archive.images.size(),
           archive.module.bytes.empty() ? "(none)" : archive.module.name.c_str());
    return true;
}

const char* rvkGetText(const char* name)
{
    if (!name)
        return nullptr;
    auto it = archive.texts.find(name);
    return it == archive.texts.end() ? nullptr : it->second.c_str();
}

int rvkGetTextCount()
{
    return static_cast<int>(archive.textIndex.size());
}

const char* rvkGetTextFileNameAtIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(archive.textIndex.size()))
        return nullptr;
    return archive.textIndex[static_cast<size_t>(index)]->first.c_str();
}

const char* rvkGetTextAtIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(archive.textIndex.size()))
        return nullptr;
    return archive.textIndex[static_cast<size_t>(index)]->second.c_str();
}

bool rvkInitCubemaps()
{
    return true;
}

} // namespace BRAVIK_LUMENVAT
