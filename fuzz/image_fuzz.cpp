// Image decoding as the engine's texture upload does it.
#include "engine/lumenvat_local.h"
#include "fuzz_support.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::quietEngine();
    std::vector<unsigned> pixels;
    int width = 0, height = 0;
    std::string reason;
    if (lumenvat::decodeImage(data, size, pixels, width, height, reason) &&
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        std::abort();
    return 0;
}
