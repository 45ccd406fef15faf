// fuzz_support.cpp - the quiet engine and the scratch folder of a harness.
#include "fuzz_support.h"

#include "engine_api.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzzsupport {

namespace {

const std::string& scratchFolder()
{
    static const std::string folder = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/sublumen-fuzz-XXXXXX";
        return std::string(mkdtemp(&pattern[0]) ? pattern : "/tmp");
    }();
    return folder;
}

void setOptions(const char* dataPath)
{
    BRAVIK_LUMENVAT::RvkOptions options;
    options.dataPath = dataPath;
    options.logPath = "/dev/null";
    options.boxesToLogOnly = true;
    options.noAudio = true;
    BRAVIK_LUMENVAT::rvkSetOptions(&options);
}

} // namespace

void quietEngine()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // The engine writes its copy of each log line through the stdio stream; the fuzzer and the
    // sanitizers write to the descriptor and keep it.
    stderr = std::fopen("/dev/null", "w");
    setOptions(nullptr);
}

std::string text(const uint8_t* data, size_t size)
{
    std::string t(reinterpret_cast<const char*>(data), size);
    return t.substr(0, t.find('\0'));
}

std::string scratchPath(const std::string& name)
{
    return scratchFolder() + "/" + name;
}

bool mountOneFile(const std::string& name, const uint8_t* data, size_t size)
{
    quietEngine();
    BRAVIK_LUMENVAT::rvkShutDown();
    FILE* file = std::fopen(scratchPath(name).c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(data, 1, size, file) == size;
    ok = std::fclose(file) == 0 && ok;
    setOptions(scratchFolder().c_str());
    return ok && BRAVIK_LUMENVAT::rvkReadPak("data.pak");
}

} // namespace fuzzsupport
