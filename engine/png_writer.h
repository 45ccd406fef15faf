// png_writer.h - the capture's PNG encoder: a frame as glReadPixels gives it (RGB, 8 bits a
// channel, rows packed without padding, bottom row first) into a whole PNG file in memory.
//
// Every row is stored with the Sub filter and the pixels deflated by libdeflate at level 1: a
// fast, lossless encoding that gives the same bytes for the same pixels. The writer keeps its
// buffers and its compressor from frame to frame, so a run of frames of one size allocates once.
// It writes no file itself; the caller does, and reports failures.
#pragma once

#include <cstddef>
#include <vector>

struct libdeflate_compressor;

namespace lumenvat {

class PngWriter {
public:
    PngWriter();
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Encodes width x height pixels of `rgbBottomUp`; the file's bytes are then png(), valid until
    // the next call. False (and png() empty) when the size is not a valid picture or no
    // compressor could be made.
    bool encode(const unsigned char* rgbBottomUp, int width, int height);
    const std::vector<unsigned char>& png() const { return file; }

private:
    libdeflate_compressor* compressor = nullptr;
    std::vector<unsigned char> filtered;
    std::vector<unsigned char> file;
};

} // namespace lumenvat
