// score.cpp - writing into the row grid.
#include "score.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace music {

Score::Score(int barCount, int channels) : channelCount(channels)
{
    grid.assign(static_cast<size_t>(barCount), xm::Pattern(kRowsPerBar, channels));
}

xm::Cell& Score::cell(int row, int channel)
{
    if (row < 0 || row >= bars() * kRowsPerBar || channel < 0 || channel >= channelCount)
        throw std::out_of_range("score: row or channel outside the piece");
    return grid[static_cast<size_t>(row / kRowsPerBar)].at(row % kRowsPerBar, channel);
}

const xm::Cell& Score::cell(int row, int channel) const
{
    return const_cast<Score*>(this)->cell(row, channel);
}

void Score::note(int channel, int row, int midi, uint8_t instrument, int vol)
{
    if (midi < 12 || midi > 107)
        throw std::out_of_range("score: note outside C-0..B-7");
    xm::Cell& c = cell(row, channel);
    c.note = noteOf(midi);
    c.instrument = instrument;
    c.volume = vol >= 0 ? xm::setVolume(vol) : 0;
}

void Score::hit(int channel, int row, uint8_t instrument, int vol)
{
    note(channel, row, 60, instrument, vol);
}

void Score::keyOff(int channel, int row)
{
    if (row >= bars() * kRowsPerBar)
        return;
    xm::Cell& c = cell(row, channel);
    if (c.note == 0)
        c.note = xm::kKeyOff;
}

void Score::volume(int channel, int row, int vol)
{
    cell(row, channel).volume = xm::setVolume(vol);
}

void Score::effect(int channel, int row, uint8_t command, uint8_t param)
{
    xm::Cell& c = cell(row, channel);
    c.effect = command;
    c.param = param;
}

void Score::kick(int channel, int row, uint8_t instrument, int vol)
{
    hit(channel, row, instrument, vol);
    kickHits.push_back({row, vol, instrument});
}

void Score::echo(int channel, int target, int fromRow, int toRow, int delay, double scale)
{
    for (int row = fromRow; row < toRow; ++row) {
        int to = row + delay;
        if (to >= bars() * kRowsPerBar)
            break;
        const xm::Cell& src = cell(row, channel);
        if (src.note == 0)
            continue;
        xm::Cell& dst = cell(to, target);
        dst.note = src.note;
        dst.instrument = src.instrument;
        if (src.note != xm::kKeyOff) {
            int v = src.volume >= 0x10 && src.volume <= 0x50 ? src.volume - 0x10 : 64;
            dst.volume = xm::setVolume(static_cast<int>(std::lround(v * scale)));
        }
        if (src.effect == xm::kTonePorta) {
            dst.effect = src.effect;
            dst.param = src.param;
        }
    }
}

void Score::duck(int channel, int fromRow, int toRow, double depth)
{
    // The volume each row would play at without ducking: set by notes (their volume column, or
    // the full 64) and by bare volume-column values.
    int level = 64;
    std::vector<int> written(static_cast<size_t>(toRow - fromRow), -1);
    for (int row = fromRow; row < toRow; ++row) {
        const xm::Cell& c = cell(row, channel);
        bool hasVolume = c.volume >= 0x10 && c.volume <= 0x50;
        if (hasVolume)
            level = c.volume - 0x10;
        else if (c.note != 0 && c.note != xm::kKeyOff && c.instrument != 0)
            level = 64;
        written[static_cast<size_t>(row - fromRow)] = level;
    }
    // On the beat the volume is set to `depth` of the written level; the beat's later rows slide
    // it back up tick by tick (a note struck there starts where the slide would be). `current`
    // follows what the player will have reached.
    const int ticks = kSpeed - 1; // a row's slide ticks
    int current = 64;
    for (int row = fromRow; row < toRow; ++row) {
        xm::Cell& c = cell(row, channel);
        if (c.note == xm::kKeyOff)
            continue;
        int w = written[static_cast<size_t>(row - fromRow)];
        int step = row % kRowsPerBeat;
        bool struck = c.note != 0;
        bool hasVolume = c.volume >= 0x10 && c.volume <= 0x50;
        if (step == 0 || struck || hasVolume) {
            double k = depth + (1.0 - depth) * step / kRowsPerBeat;
            current = static_cast<int>(std::lround(w * k));
            c.volume = xm::setVolume(current);
            continue;
        }
        if (c.volume != 0 || current >= w)
            continue;
        int rowsLeft = kRowsPerBeat - step;
        int perTick = (w - current) / (rowsLeft * ticks);
        if (perTick >= 1) {
            perTick = std::min(perTick, 15);
            c.volume = static_cast<uint8_t>(xm::kVolumeSlideUp | perTick);
            current += perTick * ticks;
        } else {
            int fine = std::min(15, (w - current) / rowsLeft);
            if (fine < 1)
                fine = std::min(15, w - current);
            c.volume = static_cast<uint8_t>(xm::kFineVolumeUp | fine);
            current += fine;
        }
    }
}

void Score::ramp(int channel, int fromRow, int toRow, int from, int to, double shape)
{
    for (int row = fromRow; row <= toRow; ++row) {
        double t = toRow > fromRow ? static_cast<double>(row - fromRow) / (toRow - fromRow) : 1.0;
        double v = from + (to - from) * std::pow(t, shape);
        xm::Cell& c = cell(row, channel);
        if (c.note == xm::kKeyOff)
            continue;
        c.volume = xm::setVolume(static_cast<int>(std::lround(v)));
    }
}

// Linear slides move 1/64 semitone per period unit: 1xx moves 4*xx units on each of the row's
// ticks after the first (speed - 1 of them); E1x and E2x move 4*x units once per row.
void Score::slide(int channel, int fromRow, int toRow, double semitones)
{
    int rows = toRow - fromRow;
    if (rows <= 0)
        return;
    double unitsPerRow = std::fabs(semitones) * 64.0 / rows;
    bool up = semitones > 0;
    double owed = 0;
    for (int row = fromRow; row < toRow; ++row) {
        owed += unitsPerRow;
        xm::Cell& c = cell(row, channel);
        int coarse = static_cast<int>(owed / (4.0 * (kSpeed - 1)));
        if (coarse >= 1) {
            coarse = std::min(coarse, 0xDF);
            c.effect = up ? xm::kPortaUp : xm::kPortaDown;
            c.param = static_cast<uint8_t>(coarse);
            owed -= coarse * 4.0 * (kSpeed - 1);
        } else {
            int fine = std::min(15, static_cast<int>(owed / 4.0));
            if (fine >= 1) {
                c.effect = xm::kExtended;
                c.param = static_cast<uint8_t>((up ? 0x10 : 0x20) | fine);
                owed -= fine * 4.0;
            }
        }
    }
}

xm::Module Score::module(const std::string& name) const
{
    xm::Module m;
    m.name = name;
    m.channels = channelCount;
    m.speed = kSpeed;
    m.bpm = kBpm;
    for (const xm::Pattern& bar : grid) {
        auto found = std::find(m.patterns.begin(), m.patterns.end(), bar);
        if (found == m.patterns.end()) {
            m.patterns.push_back(bar);
            found = m.patterns.end() - 1;
        }
        m.orders.push_back(static_cast<uint8_t>(found - m.patterns.begin()));
    }
    return m;
}

} // namespace music
