// The generated piece as the build packs it: length and silence, loudness and true peak, the
// kick's share of the mix, a finale above the drop, stereo width, bells that ring out, a steady
// level, kicks on the tempo grid, the same bytes from every run, and other players that load it.
#include "music_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>

namespace {

using namespace musictest;

constexpr int kRate = 48000; // the engine's rate

class GeneratedPiece : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bytes = new std::vector<uint8_t>(readBytes(MUSIC_MODULE_PATH));
        stereo = new Stereo(bytes->empty() ? Stereo() : renderStereo(*bytes, kRate));
        mono = new std::vector<float>(stereo->size());
        for (size_t i = 0; i < mono->size(); ++i)
            (*mono)[i] = 0.5f * (stereo->left[i] + stereo->right[i]);
    }
    static void TearDownTestSuite()
    {
        delete bytes;
        delete stereo;
        delete mono;
    }
    void SetUp() override { ASSERT_FALSE(bytes->empty()) << "missing " << MUSIC_MODULE_PATH; }

    static double rmsDb(double fromMs, double toMs)
    {
        size_t a = static_cast<size_t>(fromMs * kRate / 1000);
        size_t b = std::min(mono->size(), static_cast<size_t>(toMs * kRate / 1000));
        double sum = 0;
        for (size_t i = a; i < b; ++i)
            sum += static_cast<double>((*mono)[i]) * (*mono)[i];
        return 10 * std::log10(sum / static_cast<double>(b - a) + 1e-20);
    }

    static size_t sampleOfBar(int bar) { return static_cast<size_t>(bar * kBarMs * kRate / 1000.0); }
    static double lufsOfBars(const Stereo& s, int from, int to)
    {
        return integratedLufs(s, sampleOfBar(from), sampleOfBar(to));
    }

    static std::vector<uint8_t>* bytes;
    static Stereo* stereo;
    static std::vector<float>* mono;
};

std::vector<uint8_t>* GeneratedPiece::bytes = nullptr;
Stereo* GeneratedPiece::stereo = nullptr;
std::vector<float>* GeneratedPiece::mono = nullptr;

TEST_F(GeneratedPiece, LastsPast282SecondsAndIsSilentFrom281)
{
    openmpt::module module(*bytes);
    EXPECT_GE(module.get_duration_seconds(), 282.0);
    EXPECT_GE(mono->size(), static_cast<size_t>(282.0 * kRate));
    float tail = 0;
    for (size_t i = static_cast<size_t>(281.0 * kRate); i < mono->size(); ++i)
        tail = std::max(tail, std::fabs((*mono)[i]));
    EXPECT_LT(tail, 1e-4f);
    // ...and it is not silent before: the fade only starts at 272 s.
    EXPECT_GT(rmsDb(268000, 271000), -40.0);
}

TEST_F(GeneratedPiece, MeasuresBetweenMinus16AndMinus14LufsWithAPeakUnderMinus1Dbtp)
{
    double lufs = integratedLufs(*stereo);
    EXPECT_GE(lufs, -16.0);
    EXPECT_LE(lufs, -14.0);
    EXPECT_LE(truePeakDb(*stereo), -1.0);
    float peak = 0;
    for (size_t i = 0; i < stereo->size(); ++i)
        peak = std::max({peak, std::fabs(stereo->left[i]), std::fabs(stereo->right[i])});
    EXPECT_LT(peak, 1.0f);
}

TEST_F(GeneratedPiece, TheKickCarriesTheBeatWithoutSwampingTheMix)
{
    std::vector<int> kicks = channelsPlaying(*bytes, "kick");
    ASSERT_FALSE(kicks.empty());
    EXPECT_LE(kicks.size(), 2u); // the kick and the soft kick, one channel each
    Stereo kick = renderStereo(*bytes, kRate, kicks);
    for (auto [from, to] : loudBars()) {
        double share = kWeightedEnergy(kick, sampleOfBar(from), sampleOfBar(to)) /
                       kWeightedEnergy(*stereo, sampleOfBar(from), sampleOfBar(to));
        EXPECT_LE(share, 0.45) << "bars " << from << ".." << to;
        EXPECT_GE(share, 0.1) << "bars " << from << ".." << to; // and it is still there
    }
}

TEST_F(GeneratedPiece, TheFinaleIsLouderThanTheDrop)
{
    double drop = lufsOfBars(*stereo, 40, 55), finale = lufsOfBars(*stereo, 144, 157);
    EXPECT_GE(finale, drop + 1.5) << "drop " << drop << " LUFS, finale " << finale;
    EXPECT_LE(finale, drop + 4.0) << "drop " << drop << " LUFS, finale " << finale;
}

TEST_F(GeneratedPiece, TheBeatSectionsAreStereo)
{
    for (auto [from, to] : loudBars())
        EXPECT_LE(correlation(*stereo, sampleOfBar(from), sampleOfBar(to)), 0.9) << "bars " << from << ".." << to;
}

TEST_F(GeneratedPiece, BellNotesRingOutInsteadOfStoppingDead)
{
    // On every channel that plays the bell, alone: no millisecond above -40 dBFS followed within
    // 5 ms by silence (under -90 dBFS).
    std::vector<int> channels = channelsPlaying(*bytes, "bell");
    ASSERT_GE(channels.size(), 2u);
    const size_t ms = kRate / 1000;
    for (int channel : channels) {
        Stereo s = renderStereo(*bytes, kRate, {channel});
        std::vector<float> blockPeak(s.size() / ms, 0.0f);
        for (size_t i = 0; i < blockPeak.size() * ms; ++i)
            blockPeak[i / ms] = std::max({blockPeak[i / ms], std::fabs(s.left[i]), std::fabs(s.right[i])});
        int cuts = 0;
        for (size_t b = 0; b + 5 < blockPeak.size(); ++b) {
            if (blockPeak[b] <= 0.01f)
                continue;
            for (size_t k = b + 1; k <= b + 5; ++k)
                if (blockPeak[k] < 3.2e-5f) {
                    if (++cuts <= 5)
                        ADD_FAILURE() << "channel " << channel << ": cut at " << b << " ms";
                    b = k; // one cut, counted once
                    break;
                }
        }
        EXPECT_EQ(cuts, 0) << "channel " << channel;
    }
}

TEST_F(GeneratedPiece, LoudSectionsKeepASteadyLevel)
{
    std::vector<double> levels;
    for (auto [from, to] : loudBars())
        levels.push_back(rmsDb(from * kBarMs, to * kBarMs));
    auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_LT(*high - *low, 4.0) << "loud sections from " << *low << " to " << *high << " dB";
    // The calm night water is quieter, but not lost.
    double night = rmsDb(106 * kBarMs, 124 * kBarMs);
    EXPECT_LT(night, *low);
    EXPECT_GT(night, *low - 14.0);
}

TEST_F(GeneratedPiece, KicksStartOnTheTempoGridAtTheEnginesRate)
{
    std::vector<Kick> kicks = readKicks(MUSIC_KICKS_PATH);
    ASSERT_GT(kicks.size(), 300u);
    // The kick channel alone: each listed kick starts within 2 ms of its time, at the start and
    // at the end of the piece alike (no drift against the 140 BPM clock).
    std::vector<float> kick = renderMono(*bytes, kRate, {0});
    int checked = 0;
    for (const Kick& k : kicks) {
        double rows = k.ms / (60000.0 / 560.0);
        ASSERT_NEAR(rows, std::round(rows), 1e-4) << k.ms;
        if (!k.main)
            continue; // soft kicks play on another channel
        // The onset: the first sample reaching half the loudest one around the listed time (a
        // previous kick may still ring quietly).
        size_t from = static_cast<size_t>((k.ms - 20) * kRate / 1000);
        size_t to = std::min(kick.size(), static_cast<size_t>((k.ms + 30) * kRate / 1000));
        ASSERT_LT(from, to);
        float loudest = 0;
        for (size_t i = from; i < to; ++i)
            loudest = std::max(loudest, std::fabs(kick[i]));
        size_t onset = from;
        while (onset < to && std::fabs(kick[onset]) < 0.5f * loudest)
            ++onset;
        EXPECT_NEAR(onset * 1000.0 / kRate, k.ms, 2.0);
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

TEST(MusicGenerator, WritesTheSameBytesOnEveryRun)
{
    std::string a = testsupport::makeTempDir("music-a"), b = testsupport::makeTempDir("music-b");
    ASSERT_EQ(testsupport::runCommand(std::string(MUSICGEN_PATH) + " " + a + " " + a + "/kicks.txt"), 0);
    ASSERT_EQ(testsupport::runCommand(std::string(MUSICGEN_PATH) + " " + b + " " + b + "/kicks.txt"), 0);
    std::vector<uint8_t> first = readBytes(a + "/sublumen.xm");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == readBytes(b + "/sublumen.xm"));
    EXPECT_TRUE(first == readBytes(MUSIC_MODULE_PATH)); // and the same as the build's
    EXPECT_TRUE(readBytes(a + "/kicks.txt") == readBytes(b + "/kicks.txt"));
}

TEST(MusicGenerator, RefusesToRunWithoutAnOutputFolder)
{
    std::string output;
    EXPECT_EQ(testsupport::runCommand(std::string(MUSICGEN_PATH) + " 2>&1", &output), 2);
    EXPECT_NE(output.find("usage"), std::string::npos);
    EXPECT_NE(testsupport::runCommand(std::string(MUSICGEN_PATH) + " /nonexistent/folder 2>&1", &output), 0);
    EXPECT_NE(output.find("cannot write"), std::string::npos);
}

TEST(MusicGenerator, Openmpt123LoadsThePiece)
{
    if (testsupport::runCommand("command -v openmpt123 > /dev/null") != 0)
        GTEST_SKIP() << "openmpt123 is not installed (scripts/setup.sh installs it)";
    std::string output;
    int status = testsupport::runCommand(std::string("openmpt123 --info ") + MUSIC_MODULE_PATH + " 2>&1", &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("Channels...: 28"), std::string::npos) << output;
    EXPECT_NE(output.find("Duration...: 04:42"), std::string::npos) << output;
}

TEST(MusicGenerator, XmpLoadsThePiece)
{
    if (testsupport::runCommand("command -v xmp > /dev/null") != 0)
        GTEST_SKIP() << "xmp is not installed (scripts/setup.sh installs it)";
    std::string output;
    int status = testsupport::runCommand(std::string("xmp --load-only --norc ") + MUSIC_MODULE_PATH + " 2>&1", &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("Channels     : 28"), std::string::npos) << output;
    EXPECT_NE(output.find("4min43s"), std::string::npos) << output;
}

} // namespace
