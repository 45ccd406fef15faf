// The material-bindings file against a document with two material names and a scene.
#include "engine/lumenvat_local.h"
#include "fuzz_support.h"
#include "scene/collada.h"
#include "scene/material.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ColladaDocument* document = nullptr;
    if (!document) {
        fuzzsupport::quietEngine();
        document = new ColladaDocument;
        document->materialNames.add("stone");
        document->materialNames.add("metal");
    }
    if (!fuzzsupport::mountOneFile("fuzz.material_bindings.xml", data, size))
        return 0;
    try {
        Scene scene("fuzz");
        bindMaterials(document, &scene, nullptr, "fuzz.material_bindings.xml", nullptr);
    } catch (const lumenvat::ProcessExit&) {
    }
    return 0;
}
