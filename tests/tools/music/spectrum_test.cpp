// The engine's beat spectrum on small modules made for it: the kicks (instruments named "kick...")
// are followed alone, by a twin decoder in step with the one heard, so a loud held note beside
// them leaves the spectrum quiet between kicks; a module without kick instruments gives its mix.
#include "app/engine_api.h"
#include "test_support.h"
#include "xm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>

namespace {

using namespace BRAVIK_LUMENVAT;

constexpr int kFps = 100;
constexpr int kKickEveryRows = 4; // at 125 BPM and speed 6: 480 ms

// Two instruments: a short low thump on channel 0 every four rows, and a loud sine held through
// the whole module on channel 1.
std::vector<uint8_t> module(const std::string& kickName)
{
    xm::Module m;
    m.name = "spectrum probe";
    m.channels = 2;
    for (int p = 0; p < 2; ++p) {
        xm::Pattern pattern(64, 2);
        for (int row = 0; row < 64; row += kKickEveryRows) {
            pattern.at(row, 0).note = 49;
            pattern.at(row, 0).instrument = 1;
            pattern.at(row, 0).volume = xm::setVolume(64);
        }
        if (p == 0) {
            pattern.at(0, 1).note = 49;
            pattern.at(0, 1).instrument = 2;
            pattern.at(0, 1).volume = xm::setVolume(64);
        }
        m.patterns.push_back(pattern);
        m.orders.push_back(static_cast<uint8_t>(p));
    }
    xm::Instrument kick;
    kick.name = kickName;
    xm::Sample thump;
    thump.name = "thump";
    for (int i = 0; i < 2000; ++i) // 8363 Hz on C-4: 240 ms, a falling sine with a click
        thump.data.push_back(static_cast<int16_t>(30000 * std::exp(-i / 600.0) *
                                                  std::sin(2 * M_PI * (60.0 + 200 * std::exp(-i / 100.0)) * i / 8363.0)));
    kick.samples.push_back(thump);
    xm::Instrument held;
    held.name = "organ";
    xm::Sample tone;
    tone.name = "tone";
    for (int i = 0; i < 8363; ++i)
        tone.data.push_back(static_cast<int16_t>(30000 * std::sin(2 * M_PI * 523.0 * i / 8363.0)));
    tone.loop = true;
    tone.loopStart = 0;
    tone.loopLength = 8363;
    held.samples.push_back(tone);
    m.instruments = {kick, held};
    return xm::write(m);
}

// Spectrum sums (bins 0..510, as the beat meter takes them) at every 10 ms of the module's first
// `seconds`, read through the engine in capture mode from an archive that holds only `bytes`.
std::vector<float> spectrumSums(const std::vector<uint8_t>& bytes, const std::string& name, double seconds,
                                std::string* log)
{
    std::string dir = testsupport::makeTempDir("spectrum-" + name);
    {
        std::ofstream out(dir + "/probe.xm", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string logPath = dir + "/engine.log";
    RvkOptions options;
    options.captureDir = dir.c_str();
    options.captureFps = kFps;
    options.dataPath = dir.c_str(); // a folder serves as the archive
    options.logPath = logPath.c_str();
    options.boxesToLogOnly = true;
    rvkSetOptions(&options);
    rvkReadPak("data.pak");
    rvkInitTimer();
    rvkPlaySong(1);
    std::vector<float> sums;
    for (int frame = 0; frame < seconds * kFps; ++frame) {
        rvkUpdateTimer();
        float bins[512] = {};
        rvkGetSpectrum(bins, 512);
        sums.push_back(std::accumulate(bins, bins + 511, 0.0f));
        rvkAdjustTime(1000.0f / kFps);
    }
    rvkShutDown();
    std::ifstream in(logPath);
    log->assign(std::istreambuf_iterator<char>(in), {});
    return sums;
}

double kickMs(int i)
{
    return i * kKickEveryRows * 6 * 1000.0 / 50.0; // six ticks a row, 50 ticks a second
}

TEST(BeatSpectrum, FollowsTheKicksAloneBesideALoudHeldNote)
{
    std::string log;
    std::vector<float> sums = spectrumSums(module("kick"), "kick", 4.0, &log);
    int kicks = 0;
    for (int i = 1; kickMs(i) + 400 < 4000; ++i, ++kicks) {
        int at = static_cast<int>(kickMs(i) / 10);
        float flash = *std::max_element(sums.begin() + at, sums.begin() + at + 6);   // within 60 ms
        float gap = *std::max_element(sums.begin() + at + 20, sums.begin() + at + 45); // 200..450 ms on
        EXPECT_GT(flash, 6.0f * gap) << "kick " << i << " at " << kickMs(i) << " ms: flash " << flash << ", gap " << gap;
        EXPECT_GT(gap, 0.0f) << "the mix's share is there";
    }
    EXPECT_GE(kicks, 6);
    EXPECT_EQ(log.find("names no kick instrument"), std::string::npos) << log;
}

TEST(BeatSpectrum, AModuleWithoutKicksGivesItsMix)
{
    std::string log;
    std::vector<float> sums = spectrumSums(module("thump"), "thump", 2.0, &log);
    EXPECT_NE(log.find("lumenvat: probe.xm names no kick instrument; the spectrum follows the whole mix\n"),
              std::string::npos)
        << log;
    // The held note alone, between two thumps, reads as loud as the thumps do with the note.
    float between = *std::min_element(sums.begin() + 30, sums.begin() + 47);
    float on = *std::max_element(sums.begin() + 48, sums.begin() + 54);
    EXPECT_GT(between, 0.3f * on);
}

} // namespace
