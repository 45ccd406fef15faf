// The COLLADA loader from memory: document, scene build, animation at a few times.
#include "engine/lumenvat_local.h"
#include "fuzz_support.h"
#include "scene/collada.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::quietEngine();
    std::string text = fuzzsupport::text(data, size);
    try {
        ColladaDocument* document = readColladaDocument("fuzz.dae", text.c_str());
        Scene* scene = buildScenes(document);
        if (scene)
            for (float t : {-1.0f, 0.0f, 0.5f, 1.7f, 100.0f})
                scene->update(t);
        delete scene;
        delete document;
    } catch (const lumenvat::ProcessExit&) {
        // Unsupported content ends the program by design.
    }
    return 0;
}
