// compose.cpp - the arrangement, section by section.
//
// Keys: A minor to bar 83, C minor from the key change (bar 83) to bar 144, D minor for the finale.
// Sections by bar (a bar is 1714.286 ms; the picture's cue in brackets, named in
// effects/show_timeline.h and checked below):
//   0 intro (0)            32 build-up (worms, 53985)   40 drop (68700)    56 flight (96150)
//   64 rising (110000)     72 swarm (123400)            83 key change (142351)
//   88 streaks (150825), its kickless breakdown at 96..100
//   104 night water (178250)                            128 flock (219500)
//   135 streaks (231400)   144 finale (246800)          158 coda, silent from 281000
// Only instruments 1 and 2 ("kick", "kick soft") are kick drums, each on one channel.
#include "compose.h"

#include "effects/show_timeline.h"

#include "dsp.h"
#include "harmony.h"
#include "instruments.h"

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

namespace music {

namespace {

enum Channel {
    kChKick,
    kChBell2, // bells alternate between kChBell and this one
    kChKickSoft,
    kChClap,
    kChSnare,
    kChHat,
    kChHatOpen,
    kChPerc,
    kChCrash,
    kChImpact,
    kChRiser,
    kChBass,
    kChSub,
    kChPad,
    kChLead = kChPad + 4,
    kChLeadEcho,
    kChArp,
    kChArpEcho,
    kChBell,
    kChBellEcho,
    kChStab,
    kChFx = kChStab + 3,
    kChFx2, // the tempo commands, and the echo of kChBell2
    kChannels
};

// Tonic notes of the three keys, where the themes sit.
constexpr int kTonicA = 69; // A4
constexpr int kTonicC = 72; // C5
constexpr int kTonicD = 74; // D5

// The sections that follow the picture, each starting on the bar that holds its cue or the next
// one (a bar is 1714.286 ms, so a cue and its bar's start are less than a bar apart).
struct SectionCue {
    int bar;
    int cueMs;
};
constexpr SectionCue kSectionCues[] = {
    {32, timeline::kWormsCue},           {40, timeline::kDropCue},
    {56, timeline::kColladaScene.start}, {64, timeline::kRisingCue},
    {72, timeline::kBlurParticles.start}, {83, timeline::kKeyChangeCue},
    {88, timeline::kPressure2.start},    {104, timeline::kSkene1.start},
    {128, timeline::kFlock.start},       {135, timeline::kPressure.start},
    {144, timeline::kParticleBlob.start},
};

constexpr bool sectionsStartOnTheirCues()
{
    constexpr double barMs = kRowMs * kRowsPerBar;
    for (const SectionCue& c : kSectionCues) {
        double offset = c.bar * barMs - c.cueMs;
        if (offset <= -barMs || offset >= barMs)
            return false;
    }
    return true;
}
static_assert(sectionsStartOnTheirCues(), "every section starts within a bar of the picture's cue");

constexpr int sectionBar(int cueMs)
{
    for (const SectionCue& c : kSectionCues)
        if (c.cueMs == cueMs)
            return c.bar;
    return -1;
}

// Glide speed for legato notes (period units / 4 per tick).
constexpr uint8_t kGlide = 0x18;

enum class BassStyle { Offbeat, Gallop, Rolling };

class Composer {
public:
    Composer() : s(kBars, kChannels) {}

    Composition run()
    {
        planHarmony();
        intro();
        buildUp();
        drop();
        flight();
        swarm();
        keyChange();
        streaks(sectionBar(timeline::kPressure2.start), sectionBar(timeline::kSkene1.start), false);
        nightWater();
        flock();
        streaks(sectionBar(timeline::kPressure.start), sectionBar(timeline::kParticleBlob.start), true);
        finale();
        coda();
        for (auto [from, to] : {std::pair{32, 39}, {40, 56}, {56, 71}, {72, 82}, {83, 88}, {88, 102}, {128, 134},
                                {135, 143}, {144, 158}})
            sidechain(from, to);
        spread();
        s.effect(kChFx, 0, xm::kSetSpeed, kSpeed);
        keepTime();
        return {s.module("Sublumen"), s.kicks()};
    }

private:
    Score s;
    std::vector<Chord> chords;            // per half bar
    std::vector<std::vector<int>> voicing; // per half bar, four pad voices

    // ---------------------------------------------------------------------------------------
    // Harmony

    void chordsFor(int fromBar, int toBar, const std::vector<std::string>& names, int halvesPerChord)
    {
        for (int h = fromBar * 2, i = 0; h < toBar * 2; ++h, ++i)
            chords[static_cast<size_t>(h)] =
                Chord::parse(names[static_cast<size_t>(i / halvesPerChord) % names.size()]);
    }

    void planHarmony()
    {
        chords.assign(static_cast<size_t>(kBars * 2), Chord::parse("Am"));
        chordsFor(0, 8, {"Am", "F"}, 8);
        chordsFor(8, 24, {"Am", "F", "C", "G"}, 4);
        chordsFor(24, 36, {"Am", "F", "C", "G"}, 2);
        chordsFor(36, 40, {"Am", "F", "G", "E"}, 2);
        chordsFor(40, 56, {"Am", "F", "C", "G"}, 2);
        chordsFor(56, 72, {"F", "C", "G", "Am"}, 2);
        chordsFor(72, 80, {"Am", "G", "F", "E"}, 2);
        chordsFor(80, 83, {"Am", "F", "G"}, 2);
        chordsFor(83, 87, {"Cm", "Ab", "Eb", "Bb"}, 2);
        chordsFor(87, 88, {"G"}, 2);
        chordsFor(88, 104, {"Ab", "Eb", "Bb", "Cm"}, 2);
        chordsFor(104, 127, {"Cm9", "Abmaj7", "Fm7", "G7sus4"}, 4);
        chordsFor(127, 128, {"G"}, 2);
        chordsFor(128, 135, {"Cm", "Ab", "Bb", "G", "Cm", "Ab", "G"}, 2);
        chordsFor(135, 143, {"Fm", "Ab", "Bb", "Cm"}, 2);
        chordsFor(143, 144, {"Bb", "C"}, 1);
        chordsFor(144, 156, {"Dm", "Bb", "F", "C"}, 2);
        chordsFor(156, 158, {"Bb", "C"}, 2);
        chordsFor(158, kBars, {"Dm", "Dm", "Bb", "Bb", "Dm", "Dm", "Dm"}, 2);

        std::vector<int> previous = {57, 60, 64, 69};
        for (const Chord& c : chords) {
            previous = voiceLead(c, previous);
            voicing.push_back(previous);
        }
    }

    const Chord& chordAt(int row) const { return chords[static_cast<size_t>(row / 8)]; }
    const std::vector<int>& voicingAt(int row) const { return voicing[static_cast<size_t>(row / 8)]; }

    // ---------------------------------------------------------------------------------------
    // Writing helpers

    // Step strings: one character per row, '.' silent, '1'..'9' volume 8..64.
    static int stepVolume(char c) { return c >= '1' && c <= '9' ? (c - '0') * 7 + 1 : 0; }

    void steps(int channel, uint8_t instrument, int fromBar, int toBar, const std::string& pattern, double scale = 1.0)
    {
        int length = static_cast<int>(pattern.size());
        for (int row = rowOf(fromBar); row < rowOf(toBar); ++row) {
            int v = stepVolume(pattern[static_cast<size_t>((row - rowOf(fromBar)) % length)]);
            if (v > 0)
                s.hit(channel, row, instrument, static_cast<int>(std::lround(v * scale)));
        }
    }

    void kicks(int fromBar, int toBar, const std::string& pattern, double scale = 1.0, uint8_t instrument = kKick)
    {
        int channel = instrument == kKick ? kChKick : kChKickSoft;
        int length = static_cast<int>(pattern.size());
        for (int row = rowOf(fromBar); row < rowOf(toBar); ++row) {
            int v = stepVolume(pattern[static_cast<size_t>((row - rowOf(fromBar)) % length)]);
            if (v == 0)
                continue;
            s.kick(channel, row, instrument, static_cast<int>(std::lround(v * scale)));
        }
    }

    // A line of notes (pitches relative to `tonic`) starting at `startRow`, cut at `endRow`.
    // Legato notes glide from the previous one without a new attack.
    void melody(int channel, uint8_t instrument, const std::vector<MelodyNote>& notes, int startRow, int tonic,
                int vol, int endRow, bool legato = false)
    {
        int lastEnd = -1;
        for (size_t i = 0; i < notes.size(); ++i) {
            const MelodyNote& n = notes[i];
            int row = startRow + n.start;
            if (row >= endRow)
                break;
            if (legato && row == lastEnd) {
                xm::Cell& c = s.cell(row, channel);
                c.note = noteOf(tonic + n.pitch);
                c.instrument = 0;
                c.volume = xm::setVolume(vol);
                c.effect = xm::kTonePorta;
                c.param = kGlide;
            } else {
                s.note(channel, row, tonic + n.pitch, instrument, vol);
            }
            lastEnd = row + n.length;
            bool joined = i + 1 < notes.size() && notes[i + 1].start == n.start + n.length;
            if (!joined || lastEnd >= endRow)
                s.keyOff(channel, std::min(lastEnd, endRow));
        }
    }

    // Bells: the notes alternate between two channels and are released at their ends, so that a
    // note rings out through its release while the next one starts beside it. Where the note after
    // next comes sooner than that, the note is released early enough for most of its release to
    // be over (the bell's release falls fast, then fades).
    void bells(const std::vector<MelodyNote>& notes, int startRow, int tonic, int vol, int endRow)
    {
        static const int kChannelsUsed[2] = {kChBell, kChBell2};
        const int releaseRows = (kBellReleaseTicks + kSpeed - 1) / kSpeed;
        std::vector<MelodyNote> kept;
        for (const MelodyNote& n : notes)
            if (startRow + n.start < endRow)
                kept.push_back(n);
        for (size_t i = 0; i < kept.size(); ++i) {
            int row = startRow + kept[i].start;
            int channel = kChannelsUsed[i % 2];
            s.note(channel, row, tonic + kept[i].pitch, kBell, vol);
            int off = std::min(row + kept[i].length, endRow);
            if (i + 2 < kept.size())
                off = std::min(off, startRow + kept[i + 2].start - releaseRows);
            s.keyOff(channel, std::max(off, row + 1));
        }
    }

    // A bell figure over the voicing: `order` as for arp(), a note every `everyRows`, each held
    // for `holdRows`.
    void bellArp(int fromBar, int toBar, const std::vector<int>& order, int octave, int vol, int everyRows,
                 int holdRows)
    {
        std::vector<MelodyNote> line;
        int i = 0;
        for (int row = rowOf(fromBar); row < rowOf(toBar); row += everyRows, ++i) {
            const std::vector<int>& v = voicingAt(row);
            int idx = order[static_cast<size_t>(i) % order.size()];
            int pitch = v[static_cast<size_t>(idx % 4)] + 12 * (idx / 4) + 12 * octave;
            line.push_back({row - rowOf(fromBar), holdRows, pitch});
        }
        bells(line, rowOf(fromBar), 0, vol, rowOf(toBar));
    }

    // Both bell channels echoed, each onto its own echo channel.
    void bellEcho(int fromRow, int toRow, int delay, double scale)
    {
        s.echo(kChBell, kChBellEcho, fromRow, toRow, delay, scale);
        s.echo(kChBell2, kChFx2, fromRow, toRow, delay, scale);
    }

    // Pads: the four voices follow the voice-led chords; a voice is struck again only when its
    // note changes. A `pumpDepth` under 1 ducks them on every beat.
    void pads(int fromBar, int toBar, uint8_t instrument, int vol, double pumpDepth = 1.0)
    {
        padVoices(kChPad, 0, fromBar, toBar, instrument, vol, pumpDepth);
    }

    // A second pad layer on the stab channels: the upper three voices.
    void padLayer(int fromBar, int toBar, uint8_t instrument, int vol)
    {
        padVoices(kChStab - 1, 1, fromBar, toBar, instrument, vol, 1.0);
    }

    void padVoices(int baseChannel, int firstVoice, int fromBar, int toBar, uint8_t instrument, int vol,
                   double pumpDepth)
    {
        static const uint8_t kPans[4] = {0x08, 0xF8, 0x38, 0xC8};
        for (int voice = firstVoice; voice < 4; ++voice) {
            int channel = baseChannel + voice;
            int last = -1;
            for (int h = fromBar * 2; h < toBar * 2; ++h) {
                int pitch = voicing[static_cast<size_t>(h)][static_cast<size_t>(voice)];
                int row = h * 8;
                if (pitch != last) {
                    s.note(channel, row, pitch, instrument, vol);
                    s.effect(channel, row, xm::kSetPanningFx, kPans[voice]);
                    last = pitch;
                }
            }
            if (rowOf(toBar) < rowOf(kBars))
                s.keyOff(channel, rowOf(toBar));
            if (pumpDepth < 1.0)
                s.duck(channel, rowOf(fromBar), rowOf(toBar), pumpDepth);
        }
    }

    void bass(int fromBar, int toBar, BassStyle style, int vol)
    {
        for (int row = rowOf(fromBar); row < rowOf(toBar); ++row) {
            int step = row % kRowsPerBeat;
            int beat = (row / kRowsPerBeat) % 4;
            int root = bassNote(chordAt(row), 33);
            switch (style) {
            case BassStyle::Offbeat:
                if (step == 2) {
                    s.note(kChBass, row, root, kBass, vol);
                    s.keyOff(kChBass, row + 2);
                }
                break;
            case BassStyle::Gallop:
                if (step != 0) {
                    int pitch = step == 3 && beat % 2 == 1 ? root + 12 : root;
                    s.note(kChBass, row, pitch, kBass, step == 2 ? vol : vol - 8);
                    if (step == 3)
                        s.keyOff(kChBass, row + 1);
                }
                break;
            case BassStyle::Rolling:
                if (step != 0) {
                    static const int kLine[12] = {0, 0, 12, 0, 0, 7, 0, 0, 12, 0, 10, 12};
                    int i = (beat * 3 + step - 1) % 12;
                    s.note(kChBass, row, root + kLine[i], kBass, step == 1 ? vol : vol - 6);
                    if (step == 3)
                        s.keyOff(kChBass, row + 1);
                }
                break;
            }
        }
    }

    // Sub notes on each chord change.
    void sub(int fromBar, int toBar, int vol)
    {
        int last = -1;
        for (int h = fromBar * 2; h < toBar * 2; ++h) {
            int pitch = bassNote(chords[static_cast<size_t>(h)], 28);
            if (pitch != last)
                s.note(kChSub, h * 8, pitch, kSub, vol);
            last = pitch;
        }
        s.keyOff(kChSub, rowOf(toBar));
    }

    // Arpeggio over the pad voicing: `order` indexes the chord tones upwards (4 per octave).
    void arp(int channel, uint8_t instrument, int fromBar, int toBar, const std::vector<int>& order, int octave,
             int vol, int everyRows = 1)
    {
        int i = 0;
        for (int row = rowOf(fromBar); row < rowOf(toBar); row += everyRows, ++i) {
            const std::vector<int>& v = voicingAt(row);
            int idx = order[static_cast<size_t>(i) % order.size()];
            int pitch = v[static_cast<size_t>(idx % 4)] + 12 * (idx / 4) + 12 * octave;
            int accent = row % kRowsPerBeat == 0 ? vol : row % 2 == 0 ? vol - 6 : vol - 10;
            s.note(channel, row, pitch, instrument, accent);
        }
    }

    // Chord stabs on the offbeat eighths: the upper three voices an octave up.
    void stabs(int fromBar, int toBar, int vol)
    {
        for (int row = rowOf(fromBar) + 2; row < rowOf(toBar); row += 4) {
            const std::vector<int>& voices = voicingAt(row);
            for (int k = 0; k < 3; ++k) {
                s.note(kChStab + k, row, voices[static_cast<size_t>(k + 1)] + 12, kStab, vol);
                s.effect(kChStab + k, row, xm::kSetPanningFx, static_cast<uint8_t>(0x10 + 0x70 * k));
            }
        }
    }

    // A snare roll with `every` rows between hits, volume rising from `from` to `to`.
    void roll(int fromRow, int toRow, int every, int from, int to)
    {
        for (int row = fromRow; row < toRow; row += every) {
            double t = toRow - 1 > fromRow ? static_cast<double>(row - fromRow) / (toRow - 1 - fromRow) : 1.0;
            s.hit(kChSnare, row, kSnare, static_cast<int>(std::lround(from + (to - from) * t)));
        }
    }

    // Thirty-second notes: each row struck and retriggered halfway (every 3 ticks).
    void roll32(int fromRow, int toRow, int from, int to)
    {
        roll(fromRow, toRow, 1, from, to);
        for (int row = fromRow; row < toRow; ++row)
            s.effect(kChSnare, row, xm::kExtended, 0x93);
    }

    // A noise sweep from `midi` rising `semitones`, its volume following a rising curve.
    void riser(int fromRow, int toRow, int midi, double semitones, int from, int to)
    {
        s.note(kChRiser, fromRow, midi, kNoiseRiser, from);
        s.slide(kChRiser, fromRow + 1, toRow, semitones);
        s.ramp(kChRiser, fromRow + 1, toRow - 1, from, to, 2.0);
        s.keyOff(kChRiser, toRow);
    }

    // The downbeat that opens a section: an impact under a crash (the kick comes from the groove).
    void impact(int bar, int vol = 64)
    {
        s.hit(kChImpact, rowOf(bar), kImpact, vol);
        s.hit(kChCrash, rowOf(bar), kCrash, 60);
    }

    void crash(int bar, int vol = 52) { s.hit(kChCrash, rowOf(bar), kCrash, vol); }

    // A reverse crash through the bar before `bar`, peaking on its downbeat.
    void swellInto(int bar, int vol = 48) { s.hit(kChCrash, rowOf(bar - 1), kReverseCrash, vol); }

    // Cuts every melodic channel at `row` (the breath before a drop).
    void silence(int row)
    {
        for (int ch : std::initializer_list<int>{kChBass, kChPad, kChPad + 1, kChPad + 2, kChPad + 3, kChLead, kChArp,
                                                 kChArpEcho, kChStab, kChStab + 1, kChStab + 2, kChHat, kChHatOpen,
                                                 kChPerc})
            s.effect(ch, row, xm::kExtended, 0xC0);
    }

    void standardDrums(int fromBar, int toBar, int intensity)
    {
        kicks(fromBar, toBar, "9...9...9...9...");
        steps(kChClap, kClap, fromBar, toBar, "....9.......9...");
        if (intensity >= 1)
            steps(kChHatOpen, kHatOpen, fromBar, toBar, "..6...6...6...6.");
        if (intensity >= 2)
            steps(kChHat, kHatClosed, fromBar, toBar, "4.6.4.6.4.6.4.68");
        if (intensity >= 3)
            steps(kChPerc, kShaker, fromBar, toBar, "3.4.3.4.3.4.3.4.");
    }

    // Players mix whole samples per tick: at 48 kHz, 140 BPM gives 857 samples a tick instead of
    // 857.14, and the music would run 45 ms ahead of the beat clock by the end. One row in every 42
    // at 139 BPM (863 samples a tick) pays back exactly those 36 samples, so at the engine's rate
    // every row starts within a millisecond of row * 60000 / 560 ms.
    void keepTime()
    {
        for (int row = 0; row < rowOf(kBars); ++row) {
            if (row % 42 == 41)
                s.effect(kChFx2, row, xm::kSetSpeed, kBpm - 1);
            else if (row % 42 == 0)
                s.effect(kChFx2, row, xm::kSetSpeed, kBpm);
        }
    }

    // The melodic lines to one side and their echoes to the other: every struck note carries its
    // channel's panning (a note with an instrument resets it to the sample's own), unless the
    // effect column is taken.
    void spread()
    {
        static const std::pair<int, uint8_t> kPans[] = {
            {kChLead, 0x70},  {kChLeadEcho, 0xD8}, {kChArp, 0xD0},  {kChArpEcho, 0x30},
            {kChBell, 0x40},  {kChBellEcho, 0xD0}, {kChBell2, 0xC0}, {kChFx2, 0x30},
        };
        for (auto [channel, pan] : kPans)
            for (int row = 0; row < rowOf(kBars); ++row) {
                xm::Cell& c = s.cell(row, channel);
                if (c.note != 0 && c.note != xm::kKeyOff && c.instrument != 0 && c.effect == 0)
                    s.effect(channel, row, xm::kSetPanningFx, pan);
            }
    }

    // Everything melodic ducks under the kicks, after the echoes have been written.
    void sidechain(int fromBar, int toBar)
    {
        for (int ch : std::initializer_list<int>{kChLead, kChLeadEcho, kChArp, kChArpEcho, kChBell, kChBell2,
                                                 kChBellEcho, kChFx2})
            s.duck(ch, rowOf(fromBar), rowOf(toBar), 0.62);
    }

    // ---------------------------------------------------------------------------------------
    // Sections

    void intro()
    {
        // A dark drone that opens out: pads and a sub from nothing, wind, then a bell.
        pads(0, 24, kPadDark, 44);
        for (int voice = 0; voice < 4; ++voice)
            s.ramp(kChPad + voice, 0, rowOf(4), 8, 40);
        sub(0, 32, 36);
        s.ramp(kChSub, 0, rowOf(6), 4, 36);
        riser(0, rowOf(8), 36, 7, 4, 18);

        static const std::vector<MelodyNote> sparse = {
            {32, 12, 7}, {56, 8, 3}, {72, 16, 0}, {104, 8, 3}, {116, 12, 7}};
        bells(sparse, 0, kTonicA, 34, rowOf(8));

        // The theme at half speed fits the two-bar chords of bars 8..24.
        std::vector<MelodyNote> slow;
        for (const MelodyNote& n : mainTheme())
            slow.push_back({n.start * 2, n.length * 2, n.pitch});
        bells(slow, rowOf(8), kTonicA, 40, rowOf(24));
        bellEcho(0, rowOf(24), 6, 0.45);

        kicks(12, 16, "7...............", 0.8, kKickSoft);
        kicks(16, 24, "7.......6.....4.", 0.85, kKickSoft);
        kicks(24, 31, "7...7...7...7...", 0.9, kKickSoft);
        kicks(31, 32, "7...7...7.......", 0.9, kKickSoft);

        arp(kChArp, kPluck, 16, 32, {0, 1, 2, 3, 4, 3, 2, 1}, 0, 40, 2);
        s.ramp(kChArp, rowOf(16), rowOf(24), 8, 26, 1.5);
        s.echo(kChArp, kChArpEcho, rowOf(16), rowOf(32), 3, 0.4);

        steps(kChHat, kHatClosed, 20, 32, "..4...4...4...4.", 0.8);
        steps(kChPerc, kShaker, 24, 32, "3.4.3.4.3.4.3.45", 0.8);

        pads(24, 32, kPad, 30);
        bells(mainTheme(), rowOf(24), kTonicA, 36, rowOf(31) + 8);
        bellEcho(rowOf(24), rowOf(32), 3, 0.4);
        riser(rowOf(28), rowOf(32), 40, 12, 6, 30);

        // The worms begin to appear half-way through bar 31: a fill answers them.
        roll(rowOf(31) + 8, rowOf(32), 2, 22, 40);
        swellInto(32, 40);
    }

    void buildUp()
    {
        crash(32, 44);
        kicks(32, 39, "8...8...8...8...");
        steps(kChClap, kClap, 32, 36, "....7.......7...");
        steps(kChHat, kHatClosed, 32, 39, "2.5.2.5.2.5.2.5.", 0.9);
        bass(32, 39, BassStyle::Offbeat, 50);
        pads(32, 39, kPad, 38, 0.6);
        arp(kChArp, kPluck, 32, 39, {0, 2, 1, 3, 2, 4, 3, 5}, 0, 44);
        s.echo(kChArp, kChArpEcho, rowOf(32), rowOf(39), 3, 0.4);
        stabs(36, 39, 30);

        // The snare tightens bar by bar while the noise climbs.
        roll(rowOf(36), rowOf(37), 4, 22, 30);
        roll(rowOf(37), rowOf(38), 2, 30, 38);
        roll(rowOf(38), rowOf(39), 1, 36, 46);
        roll32(rowOf(39), rowOf(39) + 12, 44, 60);
        riser(rowOf(36), rowOf(40), 48, 24, 8, 48);
        pads(39, 40, kPad, 40);
        s.ramp(kChPad, rowOf(39), rowOf(39) + 11, 40, 56);
        kicks(39, 40, "9...9...9.......");
        silence(rowOf(39) + 12);
        swellInto(40, 52);
    }

    void drop()
    {
        impact(40);
        crash(48);
        standardDrums(40, 55, 2);
        kicks(55, 56, "9...9...9...9...");
        steps(kChClap, kClap, 55, 56, "....8.......8...");
        roll(rowOf(55) + 12, rowOf(56), 1, 36, 50);
        pads(40, 56, kPad, 42, 0.5);
        for (int bar : {40, 48}) {
            melody(kChLead, kLead, mainTheme(), rowOf(bar), kTonicA, 48, rowOf(bar + 8));
        }
        s.echo(kChLead, kChLeadEcho, rowOf(40), rowOf(56), 3, 0.4);
        // The theme's second time: the bass gallops, a bell counter-melody above, stabs, the arp.
        bass(40, 48, BassStyle::Offbeat, 64);
        bass(48, 56, BassStyle::Gallop, 62);
        bells(counterTheme(), rowOf(48), kTonicA, 30, rowOf(56));
        bellEcho(rowOf(48), rowOf(56), 3, 0.4);
        stabs(48, 55, 38);
        arp(kChArp, kPluck, 48, 56, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 57);
        s.echo(kChArp, kChArpEcho, rowOf(48), rowOf(56), 3, 0.4);
        swellInto(56, 44);
    }

    void flight()
    {
        crash(56, 50);
        kicks(56, 71, "9...9...9...9...", 0.95);
        kicks(71, 72, "9...9...9.......", 0.95);
        steps(kChClap, kClap, 56, 71, "....7.......7...");
        steps(kChHat, kHatClosed, 56, 71, "3535353535353535");
        steps(kChPerc, kShaker, 56, 71, "..4...4...4...5.");
        arp(kChArp, kPluck, 56, 64, {0, 2, 1, 3, 2, 4, 3, 5}, 1, 40, 2);
        s.echo(kChArp, kChArpEcho, rowOf(56), rowOf(64), 3, 0.45);
        bass(56, 64, BassStyle::Gallop, 60);
        bass(64, 71, BassStyle::Rolling, 60); // the second time round the bass rolls
        pads(56, 72, kPad, 42, 0.55);
        sub(56, 71, 30);
        melody(kChLead, kLead, flightTheme(), rowOf(56), kTonicA, 48, rowOf(64), true);
        melody(kChLead, kLead, flightTheme(), rowOf(64), kTonicA, 50, rowOf(71) + 12, true);
        roll(rowOf(63) + 8, rowOf(64), 2, 30, 46); // a fill into it
        s.echo(kChLead, kChLeadEcho, rowOf(56), rowOf(72), 3, 0.42);

        // From bar 64 the intensity rises towards the swarm: open hats, a growing arpeggio,
        // ghost snares, then the roll and the sweep.
        crash(64, 46);
        steps(kChHatOpen, kHatOpen, 64, 71, "..4...4...4...5.");
        steps(kChSnare, kSnare, 64, 70, "......2.....2..3");
        arp(kChArp, kPluck, 64, 71, {0, 1, 2, 3, 1, 2, 3, 4}, 1, 44);
        s.ramp(kChArp, rowOf(64), rowOf(71), 24, 54, 1.0);
        s.echo(kChArp, kChArpEcho, rowOf(64), rowOf(71) + 12, 3, 0.4);
        roll(rowOf(70), rowOf(71), 2, 30, 40);
        roll32(rowOf(71), rowOf(71) + 12, 40, 58);
        riser(rowOf(68), rowOf(72), 48, 24, 8, 46);
        silence(rowOf(71) + 12);
        swellInto(72, 52);
    }

    void swarm()
    {
        impact(72);
        crash(76);
        standardDrums(72, 81, 3);
        kicks(81, 82, "9...9...9...9...");
        kicks(82, 83, "9...9...........");
        bass(72, 82, BassStyle::Gallop, 62);
        pads(72, 83, kPad, 40, 0.5);
        sub(72, 82, 30);

        // The swarm: a rising and falling sixteenth arpeggio over two octaves, its echo a dotted
        // eighth behind, and a bell figure in threes against the fours.
        arp(kChArp, kPluck, 72, 82, {0, 2, 4, 6, 7, 5, 3, 1}, 0, 64);
        s.echo(kChArp, kChArpEcho, rowOf(72), rowOf(83), 3, 0.45);
        bellArp(72, 80, {4, 5, 6}, 0, 28, 3, 1);
        bellEcho(rowOf(72), rowOf(80), 2, 0.4);
        stabs(76, 80, 42);

        // Three bars of lift into the key change: the hats fall away, the roll and the noise rise.
        roll(rowOf(81), rowOf(82), 2, 28, 40);
        roll(rowOf(82), rowOf(82) + 8, 1, 40, 50);
        roll32(rowOf(82) + 8, rowOf(82) + 14, 50, 62);
        riser(rowOf(80), rowOf(83), 45, 24, 6, 50);
        silence(rowOf(82) + 14);
        swellInto(83, 52);
    }

    void keyChange()
    {
        // The same theme, a minor third up, on a new lead: the arrangement turns inside out.
        impact(83);
        standardDrums(83, 87, 3);
        kicks(87, 88, "9...9...9...9...");
        steps(kChClap, kClap, 87, 88, "....8...........");
        roll(rowOf(87) + 8, rowOf(88), 1, 34, 52);
        bass(83, 88, BassStyle::Offbeat, 64);
        pads(83, 88, kPad, 42, 0.5);
        sub(83, 88, 30);
        melody(kChLead, kLeadBright, mainTheme(), rowOf(83), kTonicC, 55, rowOf(87));
        static const std::vector<MelodyNote> pickup = {{0, 8, 7}, {8, 2, 2}, {10, 2, 3}, {12, 2, 5}, {14, 2, 7}};
        melody(kChLead, kLeadBright, pickup, rowOf(87), kTonicC, 53, rowOf(88));
        s.echo(kChLead, kChLeadEcho, rowOf(83), rowOf(88), 3, 0.4);
        arp(kChArp, kPluck, 83, 88, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 57);
        s.echo(kChArp, kChArpEcho, rowOf(83), rowOf(88), 3, 0.4);
        swellInto(88, 44);
    }

    // Fluid streaks: flowing arpeggios with long echoes, a rolling bass and a gliding line. The
    // first time (into the night water) it breaks down half-way: four bars without drums, the
    // line over pads and the arp, then the beat returns for the last bars. The second time (into
    // the finale) it runs on other chords (iv VI VII i instead of VI III VII i), with a galloping
    // bass, stabs, busier hats and the line answered by a variation of itself.
    void streaks(int from, int to, bool again)
    {
        int drumsEnd = again ? to - 1 : to - 2;
        int breakFrom = again ? drumsEnd : from + 8, breakTo = again ? drumsEnd : from + 12;
        crash(from, 54);
        for (auto [a, b] : {std::pair{from, breakFrom}, {breakTo, drumsEnd}}) {
            if (a >= b)
                continue;
            kicks(a, b, "9...9...9...9...");
            steps(kChClap, kClap, a, b, "....8.......8...");
            steps(kChHat, kHatClosed, a, b, again ? "2425242524252425" : "3.5.3.5.3.5.3.5.");
            steps(kChHatOpen, kHatOpen, std::max(a, from + 4), b, "..5...5...5...5.");
            steps(kChPerc, kShaker, a, b, "3434343434343434");
            bass(a, b, again ? BassStyle::Gallop : BassStyle::Rolling, 62);
        }
        pads(from, to, kPad, 42, 0.55);
        if (again) {
            arp(kChArp, kPluck, from, to, {0, 2, 4, 6, 5, 3, 1, 2, 4, 3, 2, 1}, 0, 62);
            stabs(from + 4, drumsEnd, 38);
        } else {
            arp(kChArp, kPluck, from, to, {0, 1, 2, 3, 5, 6, 7, 5, 4, 2, 3, 1}, 0, 62);
        }
        s.echo(kChArp, kChArpEcho, rowOf(from), rowOf(to), 3, 0.5);

        uint8_t lead = again ? kLeadBright : kLead;
        int first = again ? from : from + 4;
        for (int bar = first, i = 0; bar + 4 <= drumsEnd; bar += 4, ++i) {
            const std::vector<MelodyNote>& line = again && i % 2 == 1 ? streakAnswer() : streakTheme();
            melody(kChLead, lead, line, rowOf(bar), kTonicC, 51, rowOf(bar + 4), true);
        }
        s.echo(kChLead, kChLeadEcho, rowOf(from), rowOf(to), 3, 0.42);

        if (!again) {
            // The breakdown: a sub holds the chords, the noise climbs back into the beat.
            sub(breakFrom, breakTo, 40);
            riser(rowOf(breakTo - 2), rowOf(breakTo), 45, 24, 6, 44);
            roll(rowOf(breakTo - 1), rowOf(breakTo - 1) + 8, 2, 28, 40);
            roll(rowOf(breakTo - 1) + 8, rowOf(breakTo), 1, 40, 54);
            swellInto(breakTo, 48);
            crash(breakTo, 54);
            // Down into the night water: the drums stop, the noise falls away.
            s.ramp(kChArp, rowOf(to - 2), rowOf(to) - 1, 46, 10);
            riser(rowOf(to - 2), rowOf(to), 72, -24, 40, 6);
            s.ramp(kChRiser, rowOf(to - 2) + 1, rowOf(to) - 1, 40, 4, 0.5);
        } else {
            // Into the finale: Bb then C, rolls, sweep.
            kicks(to - 1, to, "9...9...9...9...");
            roll(rowOf(to - 1), rowOf(to - 1) + 8, 1, 36, 48);
            roll32(rowOf(to - 1) + 8, rowOf(to - 1) + 14, 48, 62);
            riser(rowOf(to - 3), rowOf(to), 45, 29, 6, 52);
            silence(rowOf(to - 1) + 14);
            swellInto(to, 54);
        }
    }

    void nightWater()
    {
        // Calm and open: dark pads, a sub, a slow bell melody with long echoes, drops on the water.
        pads(104, 128, kPadDark, 36);
        padLayer(112, 127, kPad, 20);
        sub(104, 128, 34);

        static const std::vector<MelodyNote> night = {
            {0, 8, 7}, {8, 4, 3}, {12, 4, 2}, {16, 12, 14}, {28, 4, 10},
            {32, 8, 12}, {40, 8, 7}, {48, 16, 3},
            {64, 8, 8}, {72, 4, 7}, {76, 4, 3}, {80, 16, 5},
            {96, 8, 2}, {104, 8, 5}, {112, 16, 7},
        };
        bells(night, rowOf(104), kTonicC, 40, rowOf(112));
        bells(night, rowOf(112), kTonicC + 12, 30, rowOf(120));
        bells(night, rowOf(120), kTonicC, 38, rowOf(128));
        bellEcho(rowOf(104), rowOf(128), 6, 0.5);

        // Drops: a fixed scatter on the minor pentatonic.
        static const int kPentatonic[5] = {0, 3, 5, 7, 10};
        Noise scatter(104);
        for (int row = rowOf(104) + 2; row < rowOf(124);) {
            int degree = static_cast<int>((scatter.next() + 1.0) * 2.5) % 5;
            int octave = scatter.next() > 0.3 ? 12 : 0;
            int vol = 22 + static_cast<int>(10 * (scatter.next() + 1));
            s.note(kChFx, row, 60 + kPentatonic[degree] + octave, kDrop, vol);
            row += 6 + static_cast<int>((scatter.next() + 1.0) * 5.0);
        }

        arp(kChArp, kPluck, 116, 128, {0, 2, 1, 3, 2, 4, 3, 5}, 0, 34, 2);
        s.echo(kChArp, kChArpEcho, rowOf(116), rowOf(128), 3, 0.5);

        // A heartbeat comes back, then the pulse that leads into the flock.
        steps(kChPerc, kShaker, 112, 124, "..3...3...3...4.", 0.7);
        kicks(112, 120, "6...............", 0.8, kKickSoft);
        steps(kChSnare, kSnare, 112, 120, "................" "........3.......", 0.6);
        kicks(120, 124, "7.......6.......", 0.85, kKickSoft);
        steps(kChHat, kHatClosed, 120, 126, "..3...3...3...3.");
        kicks(124, 126, "7...7...7...7...", 0.9);
        kicks(126, 127, "8...8...8...8...");
        kicks(127, 128, "9...9...9.......");
        roll(rowOf(126), rowOf(127), 2, 26, 38);
        roll(rowOf(127), rowOf(127) + 8, 1, 38, 48);
        roll32(rowOf(127) + 8, rowOf(127) + 12, 40, 50);
        riser(rowOf(124), rowOf(128), 45, 24, 6, 48);
        silence(rowOf(127) + 12);
        swellInto(128, 52);
    }

    void flock()
    {
        // Short and hard: driving kick with pushes, stabs, the hook in C minor.
        impact(128);
        crash(132);
        kicks(128, 134, "9...9...9...9...9...9...9...9.7.");
        steps(kChClap, kClap, 128, 134, "....8.......8..5");
        steps(kChHat, kHatClosed, 128, 134, "2425242524252425");
        steps(kChHatOpen, kHatOpen, 128, 134, "..5...5...5...5.");
        bass(128, 134, BassStyle::Gallop, 62);
        pads(128, 135, kPad, 39, 0.5);
        sub(128, 134, 30);
        stabs(128, 134, 42);

        std::vector<MelodyNote> hook(mainTheme().begin(), mainTheme().begin() + 12);
        static const std::vector<MelodyNote> turn = {
            {0, 3, 5}, {3, 3, 5}, {6, 2, 10}, {8, 2, 14}, {10, 6, 10},
            {16, 3, 7}, {19, 3, 11}, {22, 2, 14}, {24, 8, 11}};
        melody(kChLead, kLeadBright, hook, rowOf(128), kTonicC, 44, rowOf(130));
        melody(kChLead, kLeadBright, turn, rowOf(130), kTonicC, 44, rowOf(132));
        melody(kChLead, kLeadBright, hook, rowOf(132), kTonicC, 46, rowOf(134));
        static const std::vector<MelodyNote> hold = {{0, 12, 7}};
        melody(kChLead, kLeadBright, hold, rowOf(134), kTonicC, 42, rowOf(135));
        s.echo(kChLead, kChLeadEcho, rowOf(128), rowOf(135), 3, 0.4);
        arp(kChArp, kPluck, 128, 135, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 60);
        s.echo(kChArp, kChArpEcho, rowOf(128), rowOf(135), 3, 0.4);

        // Fill: toms falling over the last two beats.
        kicks(134, 135, "9...9...........");
        static const int kToms[8] = {57, 55, 52, 50, 48, 45, 43, 40};
        for (int i = 0; i < 8; ++i)
            s.note(kChSnare, rowOf(134) + 8 + i, kToms[i], kTom, 44 + 2 * i);
        swellInto(135, 50);
    }

    void finale()
    {
        // Everything, in D minor and fuller than the drop: the theme doubled an octave down, the
        // bell counter-melody throughout, stabs, sixteenth hats, a crash every phrase.
        impact(144);
        for (int bar : {148, 152, 156})
            crash(bar, 58);
        standardDrums(144, 157, 3);
        steps(kChHat, kHatClosed, 144, 157, "3535353535353536");
        steps(kChSnare, kSnare, 144, 157, "....7.......7...");
        bass(144, 150, BassStyle::Rolling, 64);
        bass(150, 152, BassStyle::Gallop, 64);
        bass(152, 157, BassStyle::Rolling, 64);
        pads(144, 158, kPad, 49, 0.5);
        stabs(144, 156, 60);
        sub(144, 157, 24);
        // High plucks on the offbeat eighths, a second arp over the first.
        for (int row = rowOf(144) + 2, i = 0; row < rowOf(157); row += 4, ++i) {
            const std::vector<int>& v = voicingAt(row);
            s.note(kChFx, row, v[static_cast<size_t>(1 + i % 3)] + 24, kPluck, 40);
            s.effect(kChFx, row, xm::kSetPanningFx, i % 2 ? 0x30 : 0xD0);
        }

        melody(kChLead, kLead, mainTheme(), rowOf(144), kTonicD, 48, rowOf(152));
        melody(kChLeadEcho, kLead, mainTheme(), rowOf(144), kTonicD - 12, 36, rowOf(152));
        melody(kChLead, kLead, mainTheme(), rowOf(152), kTonicD, 48, rowOf(156));
        melody(kChLeadEcho, kLead, mainTheme(), rowOf(152), kTonicD - 12, 36, rowOf(156));
        bells(counterTheme(), rowOf(144), kTonicD, 36, rowOf(152));
        bells(mainTheme(), rowOf(152), kTonicD + 12, 34, rowOf(156));
        bellEcho(rowOf(144), rowOf(156), 3, 0.4);
        static const std::vector<MelodyNote> climb = {{0, 8, 8}, {8, 8, 10}, {16, 8, 10}, {24, 4, 12}, {28, 4, 14}};
        melody(kChLead, kLead, climb, rowOf(156), kTonicD, 52, rowOf(158), true);
        melody(kChLeadEcho, kLead, climb, rowOf(156), kTonicD - 12, 36, rowOf(158), true);
        arp(kChArp, kPluck, 144, 158, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 64);
        s.echo(kChArp, kChArpEcho, rowOf(144), rowOf(158), 3, 0.45);

        kicks(157, 158, "9...9...9...9...");
        roll(rowOf(157), rowOf(157) + 8, 1, 38, 50);
        roll32(rowOf(157) + 8, rowOf(157) + 14, 50, 62);
        riser(rowOf(156), rowOf(158), 48, 24, 8, 50);
        swellInto(158, 56);
    }

    void coda()
    {
        // The last chord rings; a bell recalls the hook as the sprites vanish; silence by 281 s.
        impact(158);
        kicks(158, 159, "9...............");
        static const std::vector<MelodyNote> last = {{0, 32, 12}};
        melody(kChLead, kLead, last, rowOf(158), kTonicD, 50, rowOf(160));
        pads(158, 164, kPadDark, 44);
        padLayer(158, 162, kPad, 30);
        sub(158, 164, 36);

        static const std::vector<MelodyNote> farewell = {
            {8, 6, 7}, {14, 2, 5}, {16, 8, 3}, {24, 12, 0}, // bar 158.5..160
            {50, 14, 7},                                     // 276214 ms: the sprites begin to vanish
            {66, 16, 12},                                    // 277929 ms: the last of them
        };
        bells(farewell, rowOf(158), kTonicD, 36, rowOf(164));
        bellEcho(rowOf(158), rowOf(164), 6, 0.5);

        // Global fade from 272000 ms (bar 158, row 11) to nothing by the end of the music.
        int from = static_cast<int>(std::ceil(272000.0 / kRowMs));
        int to = static_cast<int>(std::floor(timeline::kMusicEndMs / kRowMs));
        for (int row = from; row <= to; ++row) {
            double t = static_cast<double>(row - from) / (to - from);
            int g = static_cast<int>(std::lround(64.0 * std::pow(1.0 - t, 1.6)));
            s.effect(kChImpact, row, xm::kGlobalVolume, static_cast<uint8_t>(g));
        }
        for (int ch = 0; ch < kChannels; ++ch)
            s.keyOff(ch, rowOf(164));
    }
};

} // namespace

Composition compose()
{
    return Composer().run();
}

} // namespace music
