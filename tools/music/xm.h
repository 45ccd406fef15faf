// xm.h - an in-memory FastTracker 2 extended module (XM, version 1.04) and its writer.
//
// The module is what the composer fills in: patterns of cells (note, instrument, volume column,
// effect, parameter), instruments with envelopes and 16-bit samples. write() turns it into the
// bytes of a .xm file: patterns packed, samples delta-encoded, every field little-endian. Nothing
// here depends on the clock or on the machine, so the same module always gives the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

// Pattern notes: 1 is C-0, 49 is C-4 (middle C), 96 is B-7; 97 releases the note (key off).
constexpr uint8_t kKeyOff = 97;

// The volume column's set-volume command: 0..64 stored as 0x10..0x50.
inline uint8_t setVolume(int volume)
{
    return static_cast<uint8_t>(0x10 + (volume < 0 ? 0 : volume > 64 ? 64 : volume));
}

// Other volume-column commands, the amount in the low nibble: a slide up by that much on each tick
// of the row after the first, or once at the row's start.
constexpr uint8_t kVolumeSlideUp = 0x70;
constexpr uint8_t kFineVolumeUp = 0x90;

// Effect-column commands the composer uses (FastTracker 2 numbering; letters G.. follow 9..F).
enum Effect : uint8_t {
    kPortaUp = 0x1,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kSetPanningFx = 0x8,
    kExtended = 0xE,           // parameter high nibble: 0x1/0x2 fine slide, 0x9 retrigger, 0xC note cut
    kSetSpeed = 0xF,           // below 0x20: ticks per row; from 0x20: beats per minute
    kGlobalVolume = 0x10,      // 'G', 0..64
};

struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;

    bool operator==(const Cell& o) const
    {
        return note == o.note && instrument == o.instrument && volume == o.volume && effect == o.effect &&
               param == o.param;
    }
};

struct Pattern {
    int rows = 0;
    int channels = 0;
    std::vector<Cell> cells; // row-major: cells[row * channels + channel]

    Pattern() = default;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount * channelCount))
    {
    }
    Cell& at(int row, int channel) { return cells[static_cast<size_t>(row * channels + channel)]; }
    const Cell& at(int row, int channel) const { return cells[static_cast<size_t>(row * channels + channel)]; }
    bool operator==(const Pattern& o) const { return rows == o.rows && channels == o.channels && cells == o.cells; }
};

// Up to 12 points of (tick, value); volume values 0..64, panning 0..63.
struct Envelope {
    struct Point {
        uint16_t tick;
        uint16_t value;
    };
    std::vector<Point> points;
    int sustain = -1; // point index the envelope holds at until key off; -1 none
    int loopStart = -1;
    int loopEnd = -1;
};

struct Sample {
    std::string name;
    std::vector<int16_t> data;
    bool loop = false;       // forward loop over [loopStart, loopStart + loopLength) frames
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;     // 1/128 semitone
    uint8_t panning = 128;
    int8_t relativeNote = 0; // semitones; 0 plays the data at 8363 Hz on C-4
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;
    std::array<uint8_t, 96> keymap{}; // sample index per note 1..96
    Envelope volume;                  // used when it has points
    Envelope panning;
    uint16_t fadeout = 0;             // volume lost per tick after key off, of 32768
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
    std::string name;
    int channels = 2;    // even, 2..32
    int speed = 6;       // ticks per row
    int bpm = 125;       // the tick rate is bpm * 2 / 5 per second
    int restart = 0;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The .xm bytes. Throws std::runtime_error on a module the format cannot hold.
std::vector<uint8_t> write(const Module& module);

} // namespace xm
