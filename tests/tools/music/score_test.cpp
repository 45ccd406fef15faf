// The score: pattern sharing, pitch slides, ducking and echoes as written into cells.
#include "score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using music::Score;
using music::rowOf;

int volumeAt(const Score& s, int row, int channel)
{
    uint8_t v = s.cell(row, channel).volume;
    return v >= 0x10 && v <= 0x50 ? v - 0x10 : -1;
}

TEST(Score, IdenticalBarsShareOnePattern)
{
    Score s(4, 2);
    s.hit(0, rowOf(0), 1, 64);
    s.hit(0, rowOf(2), 1, 64); // bar 2 equals bar 0
    s.hit(1, rowOf(3, 5), 1, 30);
    xm::Module m = s.module("t");
    ASSERT_EQ(m.orders.size(), 4u);
    EXPECT_EQ(m.patterns.size(), 3u); // bar 0 (= bar 2), bar 1 (empty), bar 3
    EXPECT_EQ(m.orders[0], m.orders[2]);
    EXPECT_NE(m.orders[0], m.orders[1]);
}

TEST(Score, SlidesMoveTheWholeIntervalWithPortamento)
{
    // Linear slides: 1xx moves 4*xx period units on each of the 5 later ticks of a row, E1x/E2x
    // move 4*x once; a semitone is 64 units. The commands must add up to the interval asked for.
    for (double semitones : {24.0, 7.0, -24.0, 2.5}) {
        Score s(8, 2);
        s.slide(0, 3, 3 + 100, semitones);
        double units = 0;
        for (int row = 0; row < rowOf(8); ++row) {
            const xm::Cell& c = s.cell(row, 0);
            if (c.effect == xm::kPortaUp || c.effect == xm::kPortaDown)
                units += (c.effect == xm::kPortaUp ? 1 : -1) * 4.0 * c.param * (music::kSpeed - 1);
            else if (c.effect == xm::kExtended && (c.param >> 4) == 1)
                units += 4.0 * (c.param & 15);
            else if (c.effect == xm::kExtended && (c.param >> 4) == 2)
                units -= 4.0 * (c.param & 15);
        }
        EXPECT_NEAR(units / 64.0, semitones, 4.0 / 64.0) << semitones;
    }
}

// The volume a player reaches on each tick of rows [0, rows) from the volume column alone: a set
// volume on the row's first tick, a slide up on each later tick, a fine slide once at the start.
std::vector<int> tickVolumes(const Score& s, int channel, int rows)
{
    std::vector<int> out;
    int v = 64;
    for (int row = 0; row < rows; ++row) {
        uint8_t c = s.cell(row, channel).volume;
        for (int tick = 0; tick < music::kSpeed; ++tick) {
            if (tick == 0 && c >= 0x10 && c <= 0x50)
                v = c - 0x10;
            else if (tick == 0 && (c & 0xF0) == xm::kFineVolumeUp)
                v = std::min(64, v + (c & 15));
            else if (tick > 0 && (c & 0xF0) == xm::kVolumeSlideUp)
                v = std::min(64, v + (c & 15));
            out.push_back(v);
        }
    }
    return out;
}

TEST(Score, DuckingDipsOnEachBeatAndSlidesBackTickByTick)
{
    Score s(1, 2);
    s.note(0, 0, 60, 1, 48); // held through the bar
    s.note(0, 6, 62, 1, 40); // a second note, mid-beat
    s.duck(0, 0, rowOf(1), 0.25);
    std::vector<int> v = tickVolumes(s, 0, rowOf(1));
    auto at = [&](int row, int tick = 0) { return v[static_cast<size_t>(row * music::kSpeed + tick)]; };
    EXPECT_EQ(at(0), 12); // the beat: a quarter of 48
    EXPECT_EQ(at(4), 12); // next beat
    EXPECT_EQ(at(8), 10); // a quarter of the new note's 40
    // The new note keeps its place in the curve (half-way through the beat), from its own volume.
    EXPECT_EQ(at(6), static_cast<int>(std::lround(40 * (0.25 + 0.75 * 2 / 4))));
    auto written = [](int tick) { return tick / music::kSpeed < 6 ? 48 : 40; };
    for (int beat = 0; beat < 4; ++beat) {
        int first = beat * 4 * music::kSpeed, last = first + 4 * music::kSpeed - 1;
        for (int i = first + 1; i <= last; ++i) {
            bool struck = i == 6 * music::kSpeed;
            if (!struck) {
                // Smooth: never down within a beat, and no step bigger than a slide's.
                EXPECT_GE(v[static_cast<size_t>(i)], v[static_cast<size_t>(i - 1)]) << "tick " << i;
                EXPECT_LE(v[static_cast<size_t>(i)] - v[static_cast<size_t>(i - 1)], 5) << "tick " << i;
            }
            EXPECT_LE(v[static_cast<size_t>(i)], written(i)) << "tick " << i;
        }
        // Back to (nearly) the written level before the next beat.
        EXPECT_GE(v[static_cast<size_t>(last)], written(last) * 0.9) << "beat " << beat;
    }
}

TEST(Score, EchoesRepeatNotesLaterAndQuieterOnTheirOwnChannel)
{
    Score s(1, 2);
    s.note(0, 0, 72, 3, 60);
    s.keyOff(0, 2);
    s.echo(0, 1, 0, rowOf(1), 3, 0.5);
    EXPECT_EQ(s.cell(3, 1).note, music::noteOf(72));
    EXPECT_EQ(s.cell(3, 1).instrument, 3);
    EXPECT_EQ(volumeAt(s, 3, 1), 30);
    EXPECT_EQ(s.cell(5, 1).note, xm::kKeyOff);
    EXPECT_EQ(s.cell(0, 1).note, 0);
}

TEST(Score, KicksAreRememberedInTheOrderWritten)
{
    Score s(2, 2);
    s.kick(0, rowOf(0), 1, 64);
    s.kick(0, rowOf(1, 4), 1, 50);
    ASSERT_EQ(s.kicks().size(), 2u);
    EXPECT_EQ(s.kicks()[1].row, 20);
    EXPECT_EQ(s.kicks()[1].volume, 50);
    EXPECT_DOUBLE_EQ(music::msOfRow(20), 20 * 60000.0 / 560.0);
}

} // namespace
