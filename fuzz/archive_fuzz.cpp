// The archive: a zip from bytes, mounted and read through PhysicsFS as rvkReadPak does it.
#include "engine/lumenvat_local.h"
#include "fuzz_support.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::quietEngine();
    using namespace BRAVIK_LUMENVAT;
    rvkShutDown();
    std::string path = fuzzsupport::scratchPath("data.pak");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    RvkOptions options;
    options.dataPath = path.c_str();
    options.logPath = "/dev/null";
    options.boxesToLogOnly = true;
    options.noAudio = true;
    rvkSetOptions(&options);
    try {
        if (rvkReadPak("data.pak"))
            for (int i = 0; i < rvkGetTextCount(); ++i)
                if (std::strcmp(rvkGetText(rvkGetTextFileNameAtIndex(i)), rvkGetTextAtIndex(i)) != 0)
                    __builtin_trap();
    } catch (const lumenvat::ProcessExit&) {
        // An archive that cannot be opened ends the program by design.
    }
    rvkShutDown();
    return 0;
}
