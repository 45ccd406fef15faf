// score.h - the piece as a grid of rows: 140 BPM, speed 6, so one row is a sixteenth note
// (60000 / 560 ms) and a bar is 16 rows. The composer writes notes by absolute row and channel;
// the score turns bars into XM patterns (identical bars share one pattern) and keeps the list of
// kick onsets it placed.
#pragma once

#include "xm.h"

#include <string>
#include <vector>

namespace music {

constexpr int kBpm = 140;
constexpr int kSpeed = 6;
constexpr int kRowsPerBeat = 4;
constexpr int kRowsPerBar = 16;
constexpr double kRowMs = 60000.0 / (kBpm * kRowsPerBeat);

inline int rowOf(int bar, int step = 0) { return bar * kRowsPerBar + step; }
inline double msOfRow(double row) { return row * kRowMs; }

// Pattern note for a MIDI note (C-4, note 49, is MIDI 60).
inline uint8_t noteOf(int midi) { return static_cast<uint8_t>(midi - 11); }

struct KickHit {
    int row;
    int volume; // 0..64
    uint8_t instrument;
};

class Score {
public:
    Score(int bars, int channels);

    int bars() const { return static_cast<int>(grid.size()); }
    int channels() const { return channelCount; }
    xm::Cell& cell(int row, int channel);
    const xm::Cell& cell(int row, int channel) const;

    // A note (MIDI pitch) with instrument and volume (0..64, or -1 for the sample's own).
    void note(int channel, int row, int midi, uint8_t instrument, int volume = -1);
    // An unpitched hit on C-4.
    void hit(int channel, int row, uint8_t instrument, int volume = -1);
    void keyOff(int channel, int row);
    void volume(int channel, int row, int volume);
    void effect(int channel, int row, uint8_t command, uint8_t param);
    // A kick on the kick channel, remembered for the onset list.
    void kick(int channel, int row, uint8_t instrument, int volume);

    // Everything on `channel` in [fromRow, toRow) copied `delay` rows later onto `target`, at
    // `scale` of its volume: a tracker echo.
    void echo(int channel, int target, int fromRow, int toRow, int delay, double scale);
    // Side-chain ducking on rows [fromRow, toRow): on each beat the channel's volume drops to
    // `depth` of the written level and slides back up to it, tick by tick, over the beat's next
    // rows. The volumes the notes were written with are kept as the levels to return to.
    void duck(int channel, int fromRow, int toRow, double depth);
    // Volume column values along a curve: `from` to `to` over [fromRow, toRow], exponent `shape`.
    void ramp(int channel, int fromRow, int toRow, int from, int to, double shape = 1.0);
    // A pitch slide of `semitones` spread over [fromRow, toRow) with portamento commands.
    void slide(int channel, int fromRow, int toRow, double semitones);

    const std::vector<KickHit>& kicks() const { return kickHits; }

    // Bars to patterns (duplicates shared) and the order list.
    xm::Module module(const std::string& name) const;

private:
    int channelCount;
    std::vector<xm::Pattern> grid; // one 16-row pattern per bar
    std::vector<KickHit> kickHits;
};

} // namespace music
