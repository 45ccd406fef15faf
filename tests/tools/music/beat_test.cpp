// The beat meter (BeatMeter::level, 8 frames of history) driven by the generated music through
// the engine's own spectrum, offline: the engine in capture mode renders the module alongside a
// 60 fps frame clock, exactly as a capture run sees it.
#include "music_test_support.h"
#include "render/helpers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using namespace musictest;
using namespace BRAVIK_LUMENVAT;

constexpr double kFrameMs = 1000.0 / 60.0;

struct Peak {
    double ms;
    float level;
};

class MusicBeat : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static std::string dir = testsupport::makeTempDir("music-beat");
        static std::string log = dir + "/engine.log";
        static std::string pak = testsupport::builtPakPath();
        RvkOptions options;
        options.captureDir = dir.c_str(); // capture mode: frame clock, spectrum from the offline render
        options.captureFps = 60;
        options.dataPath = pak.c_str();
        options.logPath = log.c_str();
        options.boxesToLogOnly = true;
        rvkSetOptions(&options);
        rvkReadPak("data.pak");
        rvkInitTimer();
        rvkPlaySong(1);
        BeatMeter meter(8);
        levels = new std::vector<float>();
        for (int frame = 0; frame * kFrameMs <= 281200.0; ++frame) {
            rvkUpdateTimer();
            levels->push_back(meter.level());
            rvkAdjustTime(static_cast<float>(kFrameMs));
        }
        rvkShutDown();
        kicks = new std::vector<Kick>(readKicks(MUSIC_KICKS_PATH));
    }
    static void TearDownTestSuite()
    {
        delete levels;
        delete kicks;
    }
    void SetUp() override { ASSERT_GT(kicks->size(), 300u) << "missing " << MUSIC_KICKS_PATH; }

    static float levelAt(int frame)
    {
        return (*levels)[static_cast<size_t>(std::clamp<int>(frame, 0, static_cast<int>(levels->size()) - 1))];
    }
    static int frameOf(double ms) { return static_cast<int>(std::ceil(ms / kFrameMs)); }

    // Peaks above `threshold`: frames that are the highest within 150 ms either side. The meter
    // averages 8 frames, so each flash is a plateau on which later sounds may still add a little;
    // a peak's time is where its plateau is reached (90 % of the peak).
    static std::vector<Peak> peaks(float threshold)
    {
        std::vector<Peak> found;
        const int n = static_cast<int>(levels->size());
        for (int i = 0; i < n; ++i) {
            float v = levelAt(i);
            if (v <= threshold)
                continue;
            bool highest = true;
            for (int j = std::max(0, i - 9); j <= std::min(n - 1, i + 9) && highest; ++j)
                highest = levelAt(j) < v || (levelAt(j) == v && j >= i);
            if (!highest)
                continue;
            int start = i;
            while (start > 0 && levelAt(start - 1) >= 0.9f * v)
                --start;
            found.push_back({start * kFrameMs, v});
        }
        return found;
    }

    static double nearestKick(double ms)
    {
        double best = 1e9;
        for (const Kick& k : *kicks)
            best = std::min(best, std::fabs(ms - k.ms));
        return best;
    }

    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }

    static std::vector<float>* levels;
    static std::vector<Kick>* kicks;
};

std::vector<float>* MusicBeat::levels = nullptr;
std::vector<Kick>* MusicBeat::kicks = nullptr;

TEST_F(MusicBeat, LevelPeaksFallWithin60MsOfTheKicks)
{
    std::vector<Peak> found = peaks(2.0f);
    EXPECT_GT(found.size(), 300u);
    int far = 0;
    for (const Peak& p : found) {
        double distance = nearestKick(p.ms);
        if (distance > 60.0 && ++far <= 10)
            ADD_FAILURE() << "level " << p.level << " peaks at " << p.ms << " ms, " << distance << " ms from a kick";
    }
    EXPECT_EQ(far, 0);
    std::vector<double> after;
    for (const Peak& p : found)
        after.push_back(nearestKick(p.ms));
    std::printf("meter: %zu peaks over 2, median %.1f ms and at most %.1f ms from a kick\n", found.size(), median(after),
                after.empty() ? 0.0 : *std::max_element(after.begin(), after.end()));
}

TEST_F(MusicBeat, LoudKicksFlashBetween3And5)
{
    std::vector<double> flashes;
    int dull = 0;
    for (const Kick& k : *kicks) {
        if (!k.main || !inLoudSection(k.ms))
            continue;
        float flash = 0;
        for (int f = frameOf(k.ms); f <= frameOf(k.ms + 60.0); ++f)
            flash = std::max(flash, levelAt(f));
        flashes.push_back(flash);
        dull += flash < 2.5f;
    }
    ASSERT_GT(flashes.size(), 250u);
    double m = median(flashes);
    std::printf("meter: %zu loud kicks flash at a median of %.2f (highest %.2f, %d under 2.5)\n", flashes.size(), m,
                *std::max_element(flashes.begin(), flashes.end()), dull);
    EXPECT_GE(m, 3.0);
    EXPECT_LE(m, 5.0);
    EXPECT_LT(dull, static_cast<int>(flashes.size()) / 20) << "kicks under 2.5";
    EXPECT_LT(*std::max_element(flashes.begin(), flashes.end()), 6.0);
}

TEST_F(MusicBeat, BetweenLoudKicksTheLevelFallsBelowOne)
{
    // From 220 ms after a kick (the flash has decayed) to just before the next one.
    std::vector<double> gaps;
    for (size_t i = 0; i + 1 < kicks->size(); ++i) {
        const Kick& k = (*kicks)[i];
        double next = (*kicks)[i + 1].ms;
        if (!k.main || !inLoudSection(k.ms) || next - k.ms < 400.0)
            continue;
        float highest = 0;
        for (int f = frameOf(k.ms + 220.0); f * kFrameMs < next - 5.0; ++f)
            highest = std::max(highest, levelAt(f));
        gaps.push_back(highest);
    }
    ASSERT_GT(gaps.size(), 200u);
    EXPECT_LT(median(gaps), 1.0);
    std::sort(gaps.begin(), gaps.end());
    std::printf("meter: between loud kicks a median of %.2f, 90th percentile %.2f\n", median(gaps),
                gaps[gaps.size() * 9 / 10]);
    EXPECT_LT(gaps[gaps.size() * 9 / 10], 1.4);
}

TEST_F(MusicBeat, CalmPassagesKeepTheMeterLow)
{
    // The dark opening, the streaks' breakdown (the whole band but the kick) and the night water
    // before its heartbeat returns: the meter follows the kick, not the mix.
    for (auto [from, to] : {std::pair{0, 12}, {96, 100}, {104, 112}}) {
        float highest = 0;
        for (int f = frameOf(from * kBarMs); f < frameOf(to * kBarMs); ++f)
            highest = std::max(highest, levelAt(f));
        EXPECT_LT(highest, 1.5f) << "bars " << from << ".." << to;
    }
}

} // namespace
