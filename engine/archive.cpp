// archive.cpp - the data archive: "data.pak" (a zip) mounted with PhysicsFS, optionally under a
// development folder that overrides it file by file, and the texts of the archive.
//
// Look-ups are by file name. At rvkReadPak every file of the archive's top level is sorted by
// what it is: texts (.glsl .xml .dae .txt) are kept as strings, indexed in name order; images
// (.png .jpg .jpeg) wait for rvkUploadTextures; the first module file in name order is the music.
#include "lumenvat_local.h"

#include <physfs.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <unistd.h>

namespace lumenvat {

namespace {

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

std::string executableDir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return ".";
    path[n] = '\0';
    std::string full(path);
    size_t slash = full.find_last_of('/');
    return slash == std::string::npos ? "." : full.substr(0, slash);
}

bool readWhole(const char* name, std::vector<unsigned char>& bytes)
{
    PHYSFS_File* file = PHYSFS_openRead(name);
    if (!file)
        return false;
    PHYSFS_sint64 length = PHYSFS_fileLength(file);
    bool ok = length >= 0;
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

} // namespace

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
    std::string path = options().dataPath;
    if (path.empty()) {
        path = executableDir() + "/" + (name ? name : "data.pak");
        if (access(path.c_str(), R_OK) != 0 && name && access(name, R_OK) == 0)
            path = name;
    }
    if (!PHYSFS_isInit() && !PHYSFS_init(nullptr)) {
        rvkMsg("lumenvat: PhysicsFS could not start (%s)\n", physfsError());
        return false;
    }
    if (!options().overlayDir.empty()) {
        if (PHYSFS_mount(options().overlayDir.c_str(), nullptr, 1))
            rvkMsg("lumenvat: development folder %s overrides the archive\n", options().overlayDir.c_str());
        else
            rvkMsg("lumenvat: cannot mount the development folder %s (%s)\n", options().overlayDir.c_str(),
                   physfsError());
    }
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) {
        rvkMsg("lumenvat: cannot open the archive %s (%s)\n", path.c_str(), physfsError());
        std::string text = "The data archive could not be opened:\n" + path +
                           "\n\nBuild it with: cmake --build build";
        rvkMessageBox(rvkGetHWND(), text.c_str(), "Sublumen", RVK_MB_ICONHAND | RVK_MB_TOPMOST);
        rvkExitProcess(1);
    }
    archive.mounted = true;

    char** names = PHYSFS_enumerateFiles("");
    std::vector<std::string> sorted;
    for (char** n = names; n && *n; ++n)
        sorted.emplace_back(*n);
    PHYSFS_freeList(names);
    std::sort(sorted.begin(), sorted.end());

    for (const std::string& file : sorted) {
        std::string ext = lowerExtension(file);
        if (!isText(ext) && !isImage(ext) && !isModule(ext))
            continue;
        if (isModule(ext) && !archive.module.bytes.empty())
            continue;
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
