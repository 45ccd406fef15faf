// finalegen - writes the closing effect's images ("anim1.jpg", "envmap.png") into a folder,
// deterministically.
//
//   finalegen OUTPUT_DIR
#include "finale_images.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: finalegen OUTPUT_DIR\n");
        return 2;
    }
    for (const imagegen::ImageFile& file : imagegen::makeFinaleImages()) {
        std::string path = std::string(argv[1]) + "/" + file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "finalegen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
