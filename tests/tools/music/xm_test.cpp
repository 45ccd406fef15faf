// The XM writer, read back by libopenmpt: structure, pitch, sample data, refusals.
#include "dsp.h"
#include "xm.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <stdexcept>

namespace {

constexpr int kRate = 48000;

xm::Instrument toneInstrument(const music::Signal& wave, double rate, double pitchMidi)
{
    xm::Instrument ins;
    ins.name = "tone";
    xm::Sample s = music::toSample("tone", wave, rate, pitchMidi);
    s.loop = true;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(s.data.size());
    ins.samples.push_back(s);
    return ins;
}

// About a second of a sine holding a whole number of cycles, so that it loops cleanly.
music::Signal sine(double freq, double rate)
{
    double cycles = std::round(freq);
    music::Signal s(static_cast<size_t>(std::lround(cycles * rate / freq)));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = std::sin(2 * music::kPi * cycles * static_cast<double>(i) / static_cast<double>(s.size()));
    return s;
}

xm::Module oneNote(const xm::Instrument& ins, int midi)
{
    xm::Module m;
    m.channels = 2;
    m.bpm = 125;
    m.instruments.push_back(ins);
    xm::Pattern p(64, 2);
    p.at(0, 0).note = static_cast<uint8_t>(midi - 11);
    p.at(0, 0).instrument = 1;
    p.at(0, 0).volume = xm::setVolume(64);
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

std::vector<float> render(const xm::Module& m, double seconds)
{
    openmpt::module module(xm::write(m));
    std::vector<float> out(static_cast<size_t>(seconds * kRate));
    out.resize(module.read(kRate, out.size(), out.data()));
    return out;
}

// Frequency by upward zero crossings over the second half of the render (past the attack).
double frequencyOf(const std::vector<float>& s)
{
    size_t from = s.size() / 2;
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * static_cast<double>(kRate) / static_cast<double>(last - first) : 0;
}

TEST(XmWriter, PatternsOrdersAndCellsReadBackInLibopenmpt)
{
    xm::Module m;
    m.name = "probe";
    m.channels = 4;
    m.speed = 6;
    m.bpm = 140;
    m.instruments.push_back(toneInstrument(sine(440.0, 44100.0), 44100.0, 69.0));
    xm::Pattern a(16, 4), b(32, 4);
    a.at(0, 0) = {49, 1, xm::setVolume(40), xm::kPortaUp, 0x12};
    a.at(5, 3) = {xm::kKeyOff, 0, 0, 0, 0};
    b.at(31, 2) = {0, 0, xm::setVolume(3), xm::kGlobalVolume, 0x20};
    m.patterns = {a, b};
    m.orders = {0, 1, 0};

    openmpt::module module(xm::write(m));
    EXPECT_EQ(module.get_num_channels(), 4);
    EXPECT_EQ(module.get_num_patterns(), 2);
    ASSERT_EQ(module.get_num_orders(), 3);
    EXPECT_EQ(module.get_order_pattern(1), 1);
    EXPECT_EQ(module.get_order_pattern(2), 0);
    EXPECT_EQ(module.get_pattern_num_rows(0), 16);
    EXPECT_EQ(module.get_pattern_num_rows(1), 32);
    EXPECT_EQ(module.get_num_instruments(), 1);
    EXPECT_EQ(module.get_current_speed(), 6);
    EXPECT_EQ(module.get_current_tempo(), 140);
    EXPECT_EQ(module.get_pattern_row_channel_command(0, 0, 0, openmpt::module::command_instrument), 1);
    EXPECT_EQ(module.get_pattern_row_channel_command(0, 0, 0, openmpt::module::command_parameter), 0x12);
    EXPECT_EQ(module.format_pattern_row_channel(0, 0, 0, 0, true).substr(0, 3), "C-5");
    EXPECT_EQ(module.format_pattern_row_channel(0, 5, 3, 0, true).substr(0, 3), "==="); // key off
    EXPECT_EQ(module.get_pattern_row_channel_command(1, 31, 2, openmpt::module::command_parameter), 0x20);
    // Three orders of 16, 32 and 16 rows at 140 BPM, speed 6: 64 sixteenths.
    EXPECT_NEAR(module.get_duration_seconds(), 64 * 60.0 / 560.0, 0.01);
}

TEST(XmWriter, ASampleTunedToItsPitchPlaysTheNotesAsWritten)
{
    // Players apply finetune in sixteenths of a semitone; a sine rendered at 44.1 kHz at the
    // expressible pitch nearest A4 must play A-4 at 440 Hz and C-5 at 523.25 Hz, exactly.
    double a4 = music::tunedFrequency(440.0, 44100.0);
    EXPECT_NEAR(a4, 440.0, 440.0 * 0.0019); // within a 32nd of a semitone
    xm::Instrument ins = toneInstrument(sine(a4, 44100.0), 44100.0, 69.0 + 12.0 * std::log2(a4 / 440.0));
    EXPECT_NEAR(frequencyOf(render(oneNote(ins, 69), 1.0)), 440.0, 440.0 * 0.0002);
    EXPECT_NEAR(frequencyOf(render(oneNote(ins, 72), 1.0)), 523.25, 523.25 * 0.0002);
    // Another rate and pitch: A2 at 32 kHz, played an octave up.
    double a2 = music::tunedFrequency(110.0, 32000.0);
    xm::Instrument low = toneInstrument(sine(a2, 32000.0), 32000.0, 45.0 + 12.0 * std::log2(a2 / 110.0));
    EXPECT_NEAR(frequencyOf(render(oneNote(low, 57), 1.0)), 220.0, 220.0 * 0.0002);
}

TEST(XmWriter, FullScaleSamplesSurviveTheDeltaEncoding)
{
    // A square between the 16-bit extremes: every delta wraps around.
    music::Signal square(4410);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 49) % 2 ? -1.5 : 1.5; // clamped to -32768 / 32767
    xm::Instrument ins = toneInstrument(square, 44100.0, 69.0);
    xm::Sample& s = ins.samples[0];
    EXPECT_EQ(s.data[0], 32767);
    EXPECT_EQ(s.data[49], -32768);
    std::vector<float> out = render(oneNote(ins, 69), 0.5);
    float low = 0, high = 0;
    for (size_t i = out.size() / 2; i < out.size(); ++i) {
        low = std::min(low, out[i]);
        high = std::max(high, out[i]);
    }
    // A clean square at full volume swings symmetrically; a decoding error would leave a
    // lopsided or much smaller wave.
    EXPECT_GT(high, 0.15f);
    EXPECT_NEAR(high, -low, 0.05f * high);
}

TEST(XmWriter, RefusesModulesTheFormatCannotHold)
{
    xm::Module good = oneNote(toneInstrument(sine(440.0, 44100.0), 44100.0, 69.0), 69);
    EXPECT_NO_THROW(xm::write(good));

    xm::Module odd = good;
    odd.channels = 3;
    odd.patterns[0] = xm::Pattern(64, 3);
    EXPECT_THROW(xm::write(odd), std::runtime_error);

    xm::Module missingPattern = good;
    missingPattern.orders = {0, 1};
    EXPECT_THROW(xm::write(missingPattern), std::runtime_error);

    xm::Module longOrders = good;
    longOrders.orders.assign(257, 0);
    EXPECT_THROW(xm::write(longOrders), std::runtime_error);

    xm::Module badLoop = good;
    badLoop.instruments[0].samples[0].loopStart = 10;
    EXPECT_THROW(xm::write(badLoop), std::runtime_error);

    xm::Module mismatched = good;
    mismatched.patterns[0] = xm::Pattern(64, 4);
    EXPECT_THROW(xm::write(mismatched), std::runtime_error);
}

} // namespace
