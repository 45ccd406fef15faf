// png_writer.cpp - Sub-filtered rows deflated by libdeflate, framed as a PNG file: signature,
// IHDR (8-bit truecolour, no interlace), one IDAT, IEND.
#include "png_writer.h"

#include <libdeflate.h>

#include <cstdint>
#include <cstring>

namespace lumenvat {

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const int kCompressionLevel = 1;
// PNG's filter type byte that starts each row: 1 is Sub (each byte minus the byte of the pixel
// to its left).
const unsigned char kFilterSub = 1;
// The largest side PNG allows is 2^31 - 1; ours stay far below that, and the filtered image must
// fit in memory.
const size_t kMaxBytes = size_t(1) << 31;

void putBigEndian(unsigned char* at, uint32_t value)
{
    at[0] = static_cast<unsigned char>(value >> 24);
    at[1] = static_cast<unsigned char>(value >> 16);
    at[2] = static_cast<unsigned char>(value >> 8);
    at[3] = static_cast<unsigned char>(value);
}

// A chunk whose data already lies at `at + 8`: writes its length and type before it and its CRC
// (over type and data) after it; returns the position after the chunk.
unsigned char* closeChunk(unsigned char* at, const char* type, size_t length)
{
    putBigEndian(at, static_cast<uint32_t>(length));
    std::memcpy(at + 4, type, 4);
    putBigEndian(at + 8 + length, libdeflate_crc32(0, at + 4, length + 4));
    return at + 12 + length;
}

void filterRowsTopFirst(const unsigned char* rgbBottomUp, size_t stride, int height, unsigned char* out)
{
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = rgbBottomUp + static_cast<size_t>(height - 1 - y) * stride;
        unsigned char* filteredRow = out + static_cast<size_t>(y) * (stride + 1);
        filteredRow[0] = kFilterSub;
        std::memcpy(filteredRow + 1, row, 3);
        for (size_t x = 3; x < stride; ++x)
            filteredRow[1 + x] = static_cast<unsigned char>(row[x] - row[x - 3]);
    }
}

} // namespace

PngWriter::PngWriter() = default;

PngWriter::~PngWriter()
{
    if (compressor)
        libdeflate_free_compressor(compressor);
}

bool PngWriter::encode(const unsigned char* rgbBottomUp, int width, int height)
{
    file.clear();
    if (width <= 0 || height <= 0)
        return false;
    size_t stride = static_cast<size_t>(width) * 3;
    if ((stride + 1) > kMaxBytes / static_cast<size_t>(height))
        return false;
    if (!compressor)
        compressor = libdeflate_alloc_compressor(kCompressionLevel);
    if (!compressor)
        return false;

    filtered.resize((stride + 1) * static_cast<size_t>(height));
    filterRowsTopFirst(rgbBottomUp, stride, height, filtered.data());

    const size_t headerBytes = sizeof kSignature + 12 + 13;
    size_t bound = libdeflate_zlib_compress_bound(compressor, filtered.size());
    file.resize(headerBytes + 12 + bound + 12);
    unsigned char* at = file.data();
    std::memcpy(at, kSignature, sizeof kSignature);
    at += sizeof kSignature;

    unsigned char* header = at + 8;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;  // bits per channel
    header[9] = 2;  // truecolour: RGB
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering, one filter type byte per row
    header[12] = 0; // no interlace
    at = closeChunk(at, "IHDR", 13);

    size_t deflated = libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), at + 8, bound);
    if (deflated == 0) {
        file.clear();
        return false;
    }
    at = closeChunk(at, "IDAT", deflated);
    at = closeChunk(at, "IEND", 0);
    file.resize(static_cast<size_t>(at - file.data()));
    return true;
}

} // namespace lumenvat
