// The capture's PNG encoder: its files decode, with libpng checking every chunk's CRC and
// stb_image (the engine's own decoder) beside it, to exactly the pixels it was given, top row
// first; the same pixels give the same bytes however the writer was used before.
#include "png_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stb_image.h>

#include <cstdint>
#include <random>
#include <vector>

using lumenvat::PngWriter;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgbBottomUp;
};

// A picture with what frames hold: flat areas, gradients, hard edges and noise.
Picture makePicture(int width, int height, unsigned seed)
{
    Picture p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* px = &p.rgbBottomUp[(static_cast<size_t>(y) * width + x) * 3];
            if (x < width / 3) {
                px[0] = px[1] = px[2] = 0;
            } else if (y < height / 2) {
                px[0] = static_cast<unsigned char>(x * 255 / width);
                px[1] = static_cast<unsigned char>(y * 255 / height);
                px[2] = (x / 7 + y / 5) % 2 ? 255 : 3;
            } else {
                px[0] = static_cast<unsigned char>(random());
                px[1] = static_cast<unsigned char>(random());
                px[2] = static_cast<unsigned char>(random());
            }
        }
    return p;
}

// The given picture as its file must hold it: top row first.
std::vector<unsigned char> topRowFirst(const Picture& p)
{
    size_t stride = static_cast<size_t>(p.width) * 3;
    std::vector<unsigned char> rows(p.rgbBottomUp.size());
    for (int y = 0; y < p.height; ++y)
        std::copy_n(&p.rgbBottomUp[(p.height - 1 - y) * stride], stride, &rows[y * stride]);
    return rows;
}

// libpng's decode as RGB; empty when libpng refuses the file (a bad CRC, a bad chunk, bad data).
std::vector<unsigned char> decodeWithLibpng(const std::vector<unsigned char>& file, int& width, int& height)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rgb;
}

std::vector<unsigned char> decodeWithStb(const std::vector<unsigned char>& file, int& width, int& height,
                                         int& channels)
{
    unsigned char* rgb =
        stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 3);
    if (!rgb)
        return {};
    std::vector<unsigned char> out(rgb, rgb + static_cast<size_t>(width) * height * 3);
    stbi_image_free(rgb);
    return out;
}

} // namespace

TEST(PngWriter, FilesDecodeToTheGivenPixelsTopRowFirst)
{
    PngWriter writer;
    // One pixel, one row, one column, odd widths, and a whole 1280x720 frame.
    const int sizes[][2] = {{1, 1}, {5, 1}, {1, 6}, {3, 2}, {7, 5}, {33, 17}, {320, 180}, {1280, 720}};
    unsigned seed = 1;
    for (const auto& size : sizes) {
        Picture p = makePicture(size[0], size[1], seed++);
        ASSERT_TRUE(writer.encode(p.rgbBottomUp.data(), p.width, p.height)) << p.width << "x" << p.height;

        int w = 0, h = 0, channels = 0;
        std::vector<unsigned char> byLibpng = decodeWithLibpng(writer.png(), w, h);
        EXPECT_EQ(w, p.width);
        EXPECT_EQ(h, p.height);
        EXPECT_TRUE(byLibpng == topRowFirst(p)) << p.width << "x" << p.height;

        std::vector<unsigned char> byStb = decodeWithStb(writer.png(), w, h, channels);
        EXPECT_EQ(channels, 3); // RGB, no alpha channel
        EXPECT_TRUE(byStb == topRowFirst(p)) << p.width << "x" << p.height;
    }
}

TEST(PngWriter, SamePixelsGiveTheSameBytesWhateverTheWriterEncodedBefore)
{
    Picture frame = makePicture(320, 180, 7);
    PngWriter fresh;
    ASSERT_TRUE(fresh.encode(frame.rgbBottomUp.data(), frame.width, frame.height));
    std::vector<unsigned char> first = fresh.png();

    // A writer whose buffers are larger and hold another picture's bytes.
    PngWriter used;
    Picture large = makePicture(1280, 720, 8);
    ASSERT_TRUE(used.encode(large.rgbBottomUp.data(), large.width, large.height));
    ASSERT_TRUE(used.encode(frame.rgbBottomUp.data(), frame.width, frame.height));
    EXPECT_TRUE(used.png() == first);
    ASSERT_TRUE(used.encode(frame.rgbBottomUp.data(), frame.width, frame.height));
    EXPECT_TRUE(used.png() == first);
}

TEST(PngWriter, FlatFramesCompress)
{
    // A black 1280x720 frame (the show's first and last frames) is a few kilobytes, not 2.7 MB.
    std::vector<unsigned char> black(1280 * 720 * 3, 0);
    PngWriter writer;
    ASSERT_TRUE(writer.encode(black.data(), 1280, 720));
    EXPECT_LT(writer.png().size(), 16384u);
}

TEST(PngWriter, ASizeWithoutPixelsIsRefused)
{
    unsigned char pixel[3] = {1, 2, 3};
    PngWriter writer;
    ASSERT_TRUE(writer.encode(pixel, 1, 1));
    EXPECT_FALSE(writer.encode(pixel, 0, 1));
    EXPECT_TRUE(writer.png().empty());
    EXPECT_FALSE(writer.encode(pixel, 1, -4));
    EXPECT_TRUE(writer.png().empty());
}
