// skenegen - builds the production's 3D scene content into a folder:
//
//   skenegen OUTDIR
//
// writes the COLLADA scene (with its ambient occlusion baked in), the material files, the
// material-bindings file and the images the scene and its effect use. The same source always
// gives the same bytes.
#include "skene_collada.h"
#include "skene_images.h"
#include "skene_layout.h"
#include "skene_materials.h"
#include "skene_bake.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "skenegen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool writeText(const std::string& path, const std::string& text) { return writeFile(path, text.data(), text.size()); }

bool writeJpeg(const std::string& path, const skene::Image& image)
{
    std::vector<uint8_t> bytes = skene::encodeJpeg(image);
    return !bytes.empty() && writeFile(path, bytes.data(), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skenegen OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    skene::Scene scene = skene::buildSkene();
    skene::bakeScene(scene);

    bool ok = writeText(dir + "skene_ao_materials_fixd.dae", skene::colladaText(scene));
    ok = writeText(dir + skene::kBindingsFile, skene::bindingsText()) && ok;
    for (const skene::MaterialDefinition& m : skene::sceneMaterials())
        ok = writeText(dir + skene::materialFileName(m), skene::materialText(m)) && ok;
    ok = writeJpeg(dir + "anim5.jpg", skene::skyImage()) && ok;
    ok = writeJpeg(dir + "particle1.jpg", skene::speckImage()) && ok;
    ok = writeJpeg(dir + "skene_stone.jpg", skene::stoneImage()) && ok;
    ok = writeJpeg(dir + "skene_tiles.jpg", skene::tilesImage()) && ok;
    if (!ok)
        return 1;
    std::printf("skenegen: %zu triangles in %zu geometries, %zu animations\n", scene.triangleCount(),
                scene.geometries.size(), scene.tracks.size());
    return 0;
}
