// nightgen - writes the night water's images ("moon.jpg", "sphere_heightmap.png") into a folder,
// deterministically.
//
//   nightgen OUTPUT_DIR
#include "night_images.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: nightgen OUTPUT_DIR\n");
        return 2;
    }
    for (const imagegen::NightFile& file : imagegen::makeNightImages()) {
        std::string path = std::string(argv[1]) + "/" + file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "nightgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
