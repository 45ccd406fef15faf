// imagegen - writes the opening's images into a folder, deterministically.
//
//   imagegen OUTPUT_DIR LIGHT_FONT.ttf REGULAR_FONT.ttf
//
// The file names are fixed (content.cpp); the build registers them with sublumen_generate.
#include "content.h"

#include <cstdio>
#include <exception>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: imagegen OUTPUT_DIR LIGHT_FONT REGULAR_FONT\n");
        return 2;
    }
    try {
        imagegen::Fonts fonts{imagegen::Font(argv[2]), imagegen::Font(argv[3])};
        for (const imagegen::ImageFile& file : imagegen::makeAllImages(fonts)) {
            std::string path = std::string(argv[1]) + "/" + file.name;
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "imagegen: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "imagegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
