// The score: pattern sharing, pitch slides, ducking and echoes as written into cells.
#include "score.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(Score, DuckingDipsOnEachBeatAndClimbsBackTowardsTheWrittenVolume)
{
    Score s(1, 2);
    s.note(0, 0, 60, 1, 48); // held through the bar
    s.note(0, 6, 62, 1, 40); // a second note, mid-beat
    s.duck(0, 0, rowOf(1), 0.25);
    EXPECT_EQ(volumeAt(s, 0, 0), 12); // the beat: a quarter of 48
    EXPECT_GT(volumeAt(s, 1, 0), 12);
    EXPECT_GT(volumeAt(s, 2, 0), volumeAt(s, 1, 0));
    EXPECT_GT(volumeAt(s, 3, 0), volumeAt(s, 2, 0));
    EXPECT_LE(volumeAt(s, 3, 0), 48);
    EXPECT_EQ(volumeAt(s, 4, 0), 12); // next beat
    // The new note keeps its place in the curve, scaled from its own volume.
    EXPECT_EQ(volumeAt(s, 6, 0), static_cast<int>(std::lround(volumeAt(s, 2, 0) * 40.0 / 48.0)));
    EXPECT_EQ(volumeAt(s, 8, 0), 10);
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
