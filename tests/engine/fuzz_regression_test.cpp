// Inputs that crashed the fuzzing harnesses or made the decoder take memory without bound, kept as
// tests: each is refused with a log line.
#include "engine_api.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

// The folder of regression inputs stands in for the archive; decoding runs at the upload. Each
// named file is refused with its reason and gets no texture.
void expectRefused(std::initializer_list<const char*> names, const std::string& reason)
{
    std::string dir = std::string(SUBLUMEN_SOURCE_DIR) + "/tests/engine/regressions";
    ASSERT_TRUE(openGLWindow(64, 64, dir));
    std::string text = engineLog();
    for (const char* name : names) {
        EXPECT_NE(text.find(std::string("cannot decode ") + name + " (" + reason + ")"), std::string::npos)
            << name << "\n" << text;
        EXPECT_EQ(rvkGetTexture(name), nullptr);
    }
}

} // namespace

TEST(FuzzRegressions, JpegsWhoseHuffmanTablesOverrunTheDecoderAreRefused)
{
    expectRefused({"huffman_overrun.jpg", "huffman_overrun_in_header.jpg", "huffman_overrun_after_fill.jpg"},
                  "corrupt JPEG: a Huffman table holds more than 256 codes");
}

TEST(FuzzRegressions, PngsWhoseChunksRunPastTheFileAreRefusedBeforeDecoding)
{
    // 74 bytes whose second IDAT chunk claims 1.6 GB: the decoder asked for 2 GiB before reading it.
    expectRefused({"idat_length_overrun.png"}, "corrupt PNG: a chunk runs past the end of the file");
}

TEST(FuzzRegressions, PngsWhoseDataInflatesPastTheirSizeAreRefusedBeforeDecoding)
{
    // A 1x1 header over 16 MiB of deflated zeros (16 KB): the decoder inflated all of it.
    expectRefused({"inflates_past_its_size.png"}, "corrupt PNG: its image data inflates to more than its size holds");
}

TEST(FuzzRegressions, JpegsNamingAQuantizationTableNoSegmentDefinesAreRefused)
{
    // Its only DQT marker is damaged: the decoder would have scaled by uninitialised tables.
    expectRefused({"undefined_quant_table.jpg"}, "corrupt JPEG: a component's quantization table is never defined");
}
