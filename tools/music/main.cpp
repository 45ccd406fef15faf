// musicgen - composes and renders the production's music as an XM module.
//
//   musicgen CONTENT_DIR [KICKS_FILE]
//
// writes CONTENT_DIR/sublumen.xm and, when asked, the kick onsets it placed (one line each: module
// position in ms, pattern volume, "main" or "soft"), which the tests compare with the beat meter.
// The same source always gives the same bytes.
#include "compose.h"
#include "instruments.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: musicgen CONTENT_DIR [KICKS_FILE]\n");
        return 2;
    }
    try {
        music::Composition piece = music::compose();
        piece.module.instruments = music::buildInstruments();
        std::vector<uint8_t> bytes = xm::write(piece.module);

        std::string path = std::string(argv[1]) + "/sublumen.xm";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "musicgen: cannot write %s\n", path.c_str());
            return 1;
        }
        if (argc == 3) {
            std::ofstream kicks(argv[2]);
            kicks << "# kick onsets in sublumen.xm: module position (ms), pattern volume (0..64), kick\n";
            char line[64];
            for (const music::KickHit& k : piece.kicks) {
                std::snprintf(line, sizeof line, "%.3f %d %s\n", music::msOfRow(k.row), k.volume,
                              k.instrument == music::kKick ? "main" : "soft");
                kicks << line;
            }
            if (!kicks) {
                std::fprintf(stderr, "musicgen: cannot write %s\n", argv[2]);
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "musicgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
