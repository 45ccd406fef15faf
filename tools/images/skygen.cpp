// skygen - writes the flock's sky "anim3.jpg" into a folder, deterministically.
//
//   skygen OUTPUT_DIR
#include "sky.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skygen OUTPUT_DIR\n");
        return 2;
    }
    std::string path = std::string(argv[1]) + "/anim3.jpg";
    std::string bytes = imagegen::encodeJpeg(imagegen::makeFlockSky(1024, 576), 93);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "skygen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
