// The pairing of shader file names: one name a line.
#include "fuzz_support.h"
#include "render/shader_manager.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::quietEngine();
    std::vector<std::string> names(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            names.emplace_back();
        else
            names.back() += static_cast<char>(data[i]);
    }
    // The fragment file's role part is "frag", the vertex file's "vert", and the rest agrees.
    auto role = [](const std::string& name, std::string& rest) {
        size_t last = name.rfind('.');
        size_t before = last == std::string::npos || last == 0 ? std::string::npos : name.rfind('.', last - 1);
        if (before == std::string::npos)
            return std::string();
        rest = name.substr(0, before) + name.substr(last);
        return name.substr(before + 1, last - before - 1);
    };
    for (const ShaderFilePair& pair : pairShaderFiles(names)) {
        std::string fragmentRest, vertexRest;
        if (role(pair.fragmentFile, fragmentRest) != "frag" || role(pair.vertexFile, vertexRest) != "vert" ||
            fragmentRest != vertexRest)
            std::abort();
    }
    return 0;
}
