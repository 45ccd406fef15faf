// The uniform-annotation scan over arbitrary GLSL text.
#include "fuzz_support.h"
#include "render/shader_manager.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::quietEngine();
    std::string source = fuzzsupport::text(data, size);
    BRAVIK_LUMENVAT::Array<ShaderUniform*> uniforms;
    parseUniformDeclarations(source.c_str(), uniforms);
    for (unsigned i = 0; i < uniforms.size(); ++i) {
        ShaderUniform* u = uniforms.get(i);
        if (u->values.size() != 4)
            std::abort();
        ShaderUniform* copy = u->clone();
        std::free(copy->name);
        delete copy;
        std::free(u->name);
        delete u;
    }
    return 0;
}
