// xm.cpp - the XM writer.
#include "xm.h"

#include <stdexcept>

namespace xm {

namespace {

constexpr uint32_t kHeaderSize = 276;        // from the header-size field to the first pattern
constexpr uint32_t kInstrumentHeaderSize = 263;
constexpr uint32_t kSampleHeaderSize = 40;

class Writer {
public:
    void u8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    // Fixed-width text, padded with `pad` (names are padded with zeros, the magic with nothing).
    void text(const std::string& s, size_t width, char pad = 0)
    {
        for (size_t i = 0; i < width; ++i)
            u8(static_cast<uint8_t>(i < s.size() ? s[i] : pad));
    }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    size_t size() const { return bytes.size(); }
    void patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    void patch16(size_t at, unsigned v)
    {
        bytes[at] = static_cast<uint8_t>(v & 0xFF);
        bytes[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }

    std::vector<uint8_t> bytes;
};

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("xm: ") + what);
}

// A cell is packed as a flag byte (0x80 | which fields follow) and the fields that are not zero.
void packCell(Writer& w, const Cell& c)
{
    unsigned flags = 0x80;
    if (c.note) flags |= 0x01;
    if (c.instrument) flags |= 0x02;
    if (c.volume) flags |= 0x04;
    if (c.effect) flags |= 0x08;
    if (c.param) flags |= 0x10;
    w.u8(flags);
    if (c.note) w.u8(c.note);
    if (c.instrument) w.u8(c.instrument);
    if (c.volume) w.u8(c.volume);
    if (c.effect) w.u8(c.effect);
    if (c.param) w.u8(c.param);
}

void writePattern(Writer& w, const Pattern& p, int channels)
{
    check(p.rows >= 1 && p.rows <= 256, "pattern rows out of 1..256");
    check(p.channels == channels, "pattern channel count differs from the module's");
    w.u32(9);
    w.u8(0);
    w.u16(static_cast<unsigned>(p.rows));
    size_t sizeAt = w.size();
    w.u16(0);
    size_t start = w.size();
    for (const Cell& c : p.cells) {
        check(c.note <= kKeyOff, "note out of range");
        packCell(w, c);
    }
    size_t packed = w.size() - start;
    check(packed <= 0xFFFF, "pattern too large");
    w.patch16(sizeAt, static_cast<unsigned>(packed));
}

void writeEnvelopePoints(Writer& w, const Envelope& e)
{
    for (size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            w.u16(e.points[i].tick);
            w.u16(e.points[i].value);
        } else {
            w.u16(0);
            w.u16(0);
        }
    }
}

unsigned envelopeFlags(const Envelope& e)
{
    if (e.points.empty())
        return 0;
    unsigned flags = 1;
    if (e.sustain >= 0) flags |= 2;
    if (e.loopStart >= 0 && e.loopEnd >= 0) flags |= 4;
    return flags;
}

void writeInstrument(Writer& w, const Instrument& ins)
{
    check(ins.samples.size() <= 16, "more than 16 samples in an instrument");
    check(ins.volume.points.size() <= 12 && ins.panning.points.size() <= 12, "envelope over 12 points");
    w.u32(kInstrumentHeaderSize);
    w.text(ins.name, 22);
    w.u8(0);
    w.u16(static_cast<unsigned>(ins.samples.size()));
    w.u32(kSampleHeaderSize);
    for (uint8_t s : ins.keymap) {
        check(s < ins.samples.size() || ins.samples.empty(), "keymap names a missing sample");
        w.u8(s);
    }
    writeEnvelopePoints(w, ins.volume);
    writeEnvelopePoints(w, ins.panning);
    w.u8(static_cast<unsigned>(ins.volume.points.size()));
    w.u8(static_cast<unsigned>(ins.panning.points.size()));
    for (const Envelope* e : {&ins.volume, &ins.panning}) {
        w.u8(static_cast<unsigned>(e->sustain < 0 ? 0 : e->sustain));
        w.u8(static_cast<unsigned>(e->loopStart < 0 ? 0 : e->loopStart));
        w.u8(static_cast<unsigned>(e->loopEnd < 0 ? 0 : e->loopEnd));
    }
    w.u8(envelopeFlags(ins.volume));
    w.u8(envelopeFlags(ins.panning));
    w.u8(ins.vibratoType);
    w.u8(ins.vibratoSweep);
    w.u8(ins.vibratoDepth);
    w.u8(ins.vibratoRate);
    w.u16(ins.fadeout);
    w.zeros(kInstrumentHeaderSize - 241); // MIDI settings and reserved bytes

    for (const Sample& s : ins.samples) {
        uint32_t frames = static_cast<uint32_t>(s.data.size());
        check(!s.loop || (s.loopLength > 0 && s.loopStart + s.loopLength <= frames), "loop outside the sample");
        w.u32(frames * 2);
        w.u32(s.loop ? s.loopStart * 2 : 0);
        w.u32(s.loop ? s.loopLength * 2 : 0);
        w.u8(s.volume > 64 ? 64 : s.volume);
        w.u8(static_cast<uint8_t>(s.finetune));
        w.u8((s.loop ? 0x01 : 0x00) | 0x10);
        w.u8(s.panning);
        w.u8(static_cast<uint8_t>(s.relativeNote));
        w.u8(0);
        w.text(s.name, 22);
    }
    // Sample data: 16-bit deltas, each sample minus the one before (wrapping).
    for (const Sample& s : ins.samples) {
        int16_t previous = 0;
        for (int16_t v : s.data) {
            w.u16(static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous)));
            previous = v;
        }
    }
}

} // namespace

std::vector<uint8_t> write(const Module& m)
{
    check(m.channels >= 2 && m.channels <= 32 && m.channels % 2 == 0, "channel count must be even, 2..32");
    check(!m.orders.empty() && m.orders.size() <= 256, "order list must hold 1..256 entries");
    check(!m.patterns.empty() && m.patterns.size() <= 256, "pattern count must be 1..256");
    check(m.instruments.size() <= 128, "more than 128 instruments");
    for (uint8_t o : m.orders)
        check(o < m.patterns.size(), "order names a missing pattern");

    Writer w;
    w.text("Extended Module: ", 17);
    w.text(m.name, 20);
    w.u8(0x1A);
    w.text("Sublumen music", 20);
    w.u16(0x0104);
    w.u32(kHeaderSize);
    w.u16(static_cast<unsigned>(m.orders.size()));
    w.u16(static_cast<unsigned>(m.restart));
    w.u16(static_cast<unsigned>(m.channels));
    w.u16(static_cast<unsigned>(m.patterns.size()));
    w.u16(static_cast<unsigned>(m.instruments.size()));
    w.u16(1); // linear frequency table
    w.u16(static_cast<unsigned>(m.speed));
    w.u16(static_cast<unsigned>(m.bpm));
    for (size_t i = 0; i < 256; ++i)
        w.u8(i < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns)
        writePattern(w, p, m.channels);
    for (const Instrument& ins : m.instruments)
        writeInstrument(w, ins);
    return w.bytes;
}

} // namespace xm
