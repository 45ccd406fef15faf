// Material files, read through the archive as the SceneManager reads them, against a program
// with one uniform of each kind.
#include "engine/lumenvat_local.h"
#include "fuzz_support.h"
#include "render/shader_manager.h"
#include "scene/material.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!shaderManager) {
        fuzzsupport::quietEngine();
        shaderManager = new ShaderManager;
        Shader* probe = new Shader;
        probe->name = "probe";
        probe->parseUniforms("uniform float gain/*0_4*/;\nuniform vec2 offset;\nuniform vec3 camPos;\n"
                             "uniform vec4 tint;\nuniform sampler2D tex;\nuniform samplerCube sky;\n"
                             "uniform mat4 other;\nvoid main(){}");
        shaderManager->addShader("probe", probe);
    }
    if (!fuzzsupport::mountOneFile("fuzz.material.xml", data, size))
        return 0;
    try {
        Material material;
        material.load("fuzz.material.xml");
    } catch (const lumenvat::ProcessExit&) {
    }
    return 0;
}
