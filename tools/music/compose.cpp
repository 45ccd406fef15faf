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
        streaks(streaksBar, nightBar, false);
        nightWater();
        flock();
        streaks(streaksAgainBar, finaleBar, true);
        finale();
        coda();
        for (auto [from, to] : {std::pair{wormsBar, dropBar - 1}, {dropBar, flightBar}, {flightBar, swarmBar - 1},
                                {swarmBar, keyChangeBar - 1}, {keyChangeBar, streaksBar}, {streaksBar, nightBar - 2},
                                {flockBar, streaksAgainBar - 1}, {streaksAgainBar, finaleBar - 1}, {finaleBar, codaBar}})
            sidechain(from, to);
        spread();
        s.effect(kChFx, 0, xm::kSetSpeed, kSpeed);
        keepTime();
        return {s.module("Sublumen"), s.kicks()};
    }

private:
    // The bars the sections start on, each its cue's bar in kSectionCues: every section is written
    // from these, so that moving a cue (and its bar) moves its music.
    const int wormsBar = sectionBar(timeline::kWormsCue);
    const int dropBar = sectionBar(timeline::kDropCue);
    const int flightBar = sectionBar(timeline::kColladaScene.start);
    const int riseBar = sectionBar(timeline::kRisingCue);
    const int swarmBar = sectionBar(timeline::kBlurParticles.start);
    const int keyChangeBar = sectionBar(timeline::kKeyChangeCue);
    const int streaksBar = sectionBar(timeline::kPressure2.start);
    const int nightBar = sectionBar(timeline::kSkene1.start);
    const int flockBar = sectionBar(timeline::kFlock.start);
    const int streaksAgainBar = sectionBar(timeline::kPressure.start);
    const int finaleBar = sectionBar(timeline::kParticleBlob.start);
    // The finale's last chord: the coda rings from here to the end of the music.
    const int codaBar = finaleBar + 14;

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
        chordsFor(8, wormsBar - 8, {"Am", "F", "C", "G"}, 4);
        chordsFor(wormsBar - 8, wormsBar + 4, {"Am", "F", "C", "G"}, 2);
        chordsFor(wormsBar + 4, dropBar, {"Am", "F", "G", "E"}, 2);
        chordsFor(dropBar, flightBar, {"Am", "F", "C", "G"}, 2);
        chordsFor(flightBar, swarmBar, {"F", "C", "G", "Am"}, 2);
        chordsFor(swarmBar, keyChangeBar - 3, {"Am", "G", "F", "E"}, 2);
        chordsFor(keyChangeBar - 3, keyChangeBar, {"Am", "F", "G"}, 2);
        chordsFor(keyChangeBar, streaksBar - 1, {"Cm", "Ab", "Eb", "Bb"}, 2);
        chordsFor(streaksBar - 1, streaksBar, {"G"}, 2);
        chordsFor(streaksBar, nightBar, {"Ab", "Eb", "Bb", "Cm"}, 2);
        chordsFor(nightBar, flockBar - 1, {"Cm9", "Abmaj7", "Fm7", "G7sus4"}, 4);
        chordsFor(flockBar - 1, flockBar, {"G"}, 2);
        chordsFor(flockBar, streaksAgainBar, {"Cm", "Ab", "Bb", "G", "Cm", "Ab", "G"}, 2);
        chordsFor(streaksAgainBar, finaleBar - 1, {"Fm", "Ab", "Bb", "Cm"}, 2);
        chordsFor(finaleBar - 1, finaleBar, {"Bb", "C"}, 1);
        chordsFor(finaleBar, codaBar - 2, {"Dm", "Bb", "F", "C"}, 2);
        chordsFor(codaBar - 2, codaBar, {"Bb", "C"}, 2);
        chordsFor(codaBar, kBars, {"Dm", "Dm", "Bb", "Bb", "Dm", "Dm", "Dm"}, 2);

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
        pads(0, wormsBar - 8, kPadDark, 44);
        for (int voice = 0; voice < 4; ++voice)
            s.ramp(kChPad + voice, 0, rowOf(4), 8, 40);
        sub(0, wormsBar, 36);
        s.ramp(kChSub, 0, rowOf(6), 4, 36);
        riser(0, rowOf(8), 36, 7, 4, 18);

        static const std::vector<MelodyNote> sparse = {
            {32, 12, 7}, {56, 8, 3}, {72, 16, 0}, {104, 8, 3}, {116, 12, 7}};
        bells(sparse, 0, kTonicA, 34, rowOf(8));

        // The theme at half speed fits the two-bar chords from bar 8 to eight bars before the worms.
        std::vector<MelodyNote> slow;
        for (const MelodyNote& n : mainTheme())
            slow.push_back({n.start * 2, n.length * 2, n.pitch});
        bells(slow, rowOf(8), kTonicA, 40, rowOf(wormsBar - 8));
        bellEcho(0, rowOf(wormsBar - 8), 6, 0.45);

        kicks(12, 16, "7...............", 0.8, kKickSoft);
        kicks(16, wormsBar - 8, "7.......6.....4.", 0.85, kKickSoft);
        kicks(wormsBar - 8, wormsBar - 1, "7...7...7...7...", 0.9, kKickSoft);
        kicks(wormsBar - 1, wormsBar, "7...7...7.......", 0.9, kKickSoft);

        arp(kChArp, kPluck, 16, wormsBar, {0, 1, 2, 3, 4, 3, 2, 1}, 0, 40, 2);
        s.ramp(kChArp, rowOf(16), rowOf(wormsBar - 8), 8, 26, 1.5);
        s.echo(kChArp, kChArpEcho, rowOf(16), rowOf(wormsBar), 3, 0.4);

        steps(kChHat, kHatClosed, wormsBar - 12, wormsBar, "..4...4...4...4.", 0.8);
        steps(kChPerc, kShaker, wormsBar - 8, wormsBar, "3.4.3.4.3.4.3.45", 0.8);

        pads(wormsBar - 8, wormsBar, kPad, 30);
        bells(mainTheme(), rowOf(wormsBar - 8), kTonicA, 36, rowOf(wormsBar - 1) + 8);
        bellEcho(rowOf(wormsBar - 8), rowOf(wormsBar), 3, 0.4);
        riser(rowOf(wormsBar - 4), rowOf(wormsBar), 40, 12, 6, 30);

        // The worms begin to appear half-way through the bar before their cue: a fill answers them.
        roll(rowOf(wormsBar - 1) + 8, rowOf(wormsBar), 2, 22, 40);
        swellInto(wormsBar, 40);
    }

    void buildUp()
    {
        crash(wormsBar, 44);
        kicks(wormsBar, dropBar - 1, "8...8...8...8...");
        steps(kChClap, kClap, wormsBar, wormsBar + 4, "....7.......7...");
        steps(kChHat, kHatClosed, wormsBar, dropBar - 1, "2.5.2.5.2.5.2.5.", 0.9);
        bass(wormsBar, dropBar - 1, BassStyle::Offbeat, 50);
        pads(wormsBar, dropBar - 1, kPad, 38, 0.6);
        arp(kChArp, kPluck, wormsBar, dropBar - 1, {0, 2, 1, 3, 2, 4, 3, 5}, 0, 44);
        s.echo(kChArp, kChArpEcho, rowOf(wormsBar), rowOf(dropBar - 1), 3, 0.4);
        stabs(dropBar - 4, dropBar - 1, 30);

        // The snare tightens bar by bar while the noise climbs.
        roll(rowOf(dropBar - 4), rowOf(dropBar - 3), 4, 22, 30);
        roll(rowOf(dropBar - 3), rowOf(dropBar - 2), 2, 30, 38);
        roll(rowOf(dropBar - 2), rowOf(dropBar - 1), 1, 36, 46);
        roll32(rowOf(dropBar - 1), rowOf(dropBar - 1) + 12, 44, 60);
        riser(rowOf(dropBar - 4), rowOf(dropBar), 48, 24, 8, 48);
        pads(dropBar - 1, dropBar, kPad, 40);
        s.ramp(kChPad, rowOf(dropBar - 1), rowOf(dropBar - 1) + 11, 40, 56);
        kicks(dropBar - 1, dropBar, "9...9...9.......");
        silence(rowOf(dropBar - 1) + 12);
        swellInto(dropBar, 52);
    }

    void drop()
    {
        impact(dropBar);
        crash(dropBar + 8);
        standardDrums(dropBar, flightBar - 1, 2);
        kicks(flightBar - 1, flightBar, "9...9...9...9...");
        steps(kChClap, kClap, flightBar - 1, flightBar, "....8.......8...");
        roll(rowOf(flightBar - 1) + 12, rowOf(flightBar), 1, 36, 50);
        pads(dropBar, flightBar, kPad, 42, 0.5);
        for (int bar : {dropBar, dropBar + 8}) {
            melody(kChLead, kLead, mainTheme(), rowOf(bar), kTonicA, 48, rowOf(bar + 8));
        }
        s.echo(kChLead, kChLeadEcho, rowOf(dropBar), rowOf(flightBar), 3, 0.4);
        // The theme's second time: the bass gallops, a bell counter-melody above, stabs, the arp.
        bass(dropBar, dropBar + 8, BassStyle::Offbeat, 64);
        bass(dropBar + 8, flightBar, BassStyle::Gallop, 62);
        bells(counterTheme(), rowOf(dropBar + 8), kTonicA, 30, rowOf(flightBar));
        bellEcho(rowOf(dropBar + 8), rowOf(flightBar), 3, 0.4);
        stabs(dropBar + 8, flightBar - 1, 38);
        arp(kChArp, kPluck, dropBar + 8, flightBar, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 57);
        s.echo(kChArp, kChArpEcho, rowOf(dropBar + 8), rowOf(flightBar), 3, 0.4);
        swellInto(flightBar, 44);
    }

    void flight()
    {
        crash(flightBar, 50);
        kicks(flightBar, swarmBar - 1, "9...9...9...9...", 0.95);
        kicks(swarmBar - 1, swarmBar, "9...9...9.......", 0.95);
        steps(kChClap, kClap, flightBar, swarmBar - 1, "....7.......7...");
        steps(kChHat, kHatClosed, flightBar, swarmBar - 1, "3535353535353535");
        steps(kChPerc, kShaker, flightBar, swarmBar - 1, "..4...4...4...5.");
        arp(kChArp, kPluck, flightBar, riseBar, {0, 2, 1, 3, 2, 4, 3, 5}, 1, 40, 2);
        s.echo(kChArp, kChArpEcho, rowOf(flightBar), rowOf(riseBar), 3, 0.45);
        bass(flightBar, riseBar, BassStyle::Gallop, 60);
        bass(riseBar, swarmBar - 1, BassStyle::Rolling, 60); // the second time round the bass rolls
        pads(flightBar, swarmBar, kPad, 42, 0.55);
        sub(flightBar, swarmBar - 1, 30);
        melody(kChLead, kLead, flightTheme(), rowOf(flightBar), kTonicA, 48, rowOf(riseBar), true);
        melody(kChLead, kLead, flightTheme(), rowOf(riseBar), kTonicA, 50, rowOf(swarmBar - 1) + 12, true);
        roll(rowOf(riseBar - 1) + 8, rowOf(riseBar), 2, 30, 46); // a fill into it
        s.echo(kChLead, kChLeadEcho, rowOf(flightBar), rowOf(swarmBar), 3, 0.42);

        // From the rise the intensity grows towards the swarm: open hats, a growing arpeggio,
        // ghost snares, then the roll and the sweep.
        crash(riseBar, 46);
        steps(kChHatOpen, kHatOpen, riseBar, swarmBar - 1, "..4...4...4...5.");
        steps(kChSnare, kSnare, riseBar, swarmBar - 2, "......2.....2..3");
        arp(kChArp, kPluck, riseBar, swarmBar - 1, {0, 1, 2, 3, 1, 2, 3, 4}, 1, 44);
        s.ramp(kChArp, rowOf(riseBar), rowOf(swarmBar - 1), 24, 54, 1.0);
        s.echo(kChArp, kChArpEcho, rowOf(riseBar), rowOf(swarmBar - 1) + 12, 3, 0.4);
        roll(rowOf(swarmBar - 2), rowOf(swarmBar - 1), 2, 30, 40);
        roll32(rowOf(swarmBar - 1), rowOf(swarmBar - 1) + 12, 40, 58);
        riser(rowOf(swarmBar - 4), rowOf(swarmBar), 48, 24, 8, 46);
        silence(rowOf(swarmBar - 1) + 12);
        swellInto(swarmBar, 52);
    }

    void swarm()
    {
        impact(swarmBar);
        crash(swarmBar + 4);
        standardDrums(swarmBar, keyChangeBar - 2, 3);
        kicks(keyChangeBar - 2, keyChangeBar - 1, "9...9...9...9...");
        kicks(keyChangeBar - 1, keyChangeBar, "9...9...........");
        bass(swarmBar, keyChangeBar - 1, BassStyle::Gallop, 62);
        pads(swarmBar, keyChangeBar, kPad, 40, 0.5);
        sub(swarmBar, keyChangeBar - 1, 30);

        // The swarm: a rising and falling sixteenth arpeggio over two octaves, its echo a dotted
        // eighth behind, and a bell figure in threes against the fours.
        arp(kChArp, kPluck, swarmBar, keyChangeBar - 1, {0, 2, 4, 6, 7, 5, 3, 1}, 0, 64);
        s.echo(kChArp, kChArpEcho, rowOf(swarmBar), rowOf(keyChangeBar), 3, 0.45);
        bellArp(swarmBar, keyChangeBar - 3, {4, 5, 6}, 0, 28, 3, 1);
        bellEcho(rowOf(swarmBar), rowOf(keyChangeBar - 3), 2, 0.4);
        stabs(swarmBar + 4, keyChangeBar - 3, 42);

        // Three bars of lift into the key change: the hats fall away, the roll and the noise rise.
        roll(rowOf(keyChangeBar - 2), rowOf(keyChangeBar - 1), 2, 28, 40);
        roll(rowOf(keyChangeBar - 1), rowOf(keyChangeBar - 1) + 8, 1, 40, 50);
        roll32(rowOf(keyChangeBar - 1) + 8, rowOf(keyChangeBar - 1) + 14, 50, 62);
        riser(rowOf(keyChangeBar - 3), rowOf(keyChangeBar), 45, 24, 6, 50);
        silence(rowOf(keyChangeBar - 1) + 14);
        swellInto(keyChangeBar, 52);
    }

    void keyChange()
    {
        // The same theme, a minor third up, on a new lead: the arrangement turns inside out.
        impact(keyChangeBar);
        standardDrums(keyChangeBar, streaksBar - 1, 3);
        kicks(streaksBar - 1, streaksBar, "9...9...9...9...");
        steps(kChClap, kClap, streaksBar - 1, streaksBar, "....8...........");
        roll(rowOf(streaksBar - 1) + 8, rowOf(streaksBar), 1, 34, 52);
        bass(keyChangeBar, streaksBar, BassStyle::Offbeat, 64);
        pads(keyChangeBar, streaksBar, kPad, 42, 0.5);
        sub(keyChangeBar, streaksBar, 30);
        melody(kChLead, kLeadBright, mainTheme(), rowOf(keyChangeBar), kTonicC, 55, rowOf(streaksBar - 1));
        static const std::vector<MelodyNote> pickup = {{0, 8, 7}, {8, 2, 2}, {10, 2, 3}, {12, 2, 5}, {14, 2, 7}};
        melody(kChLead, kLeadBright, pickup, rowOf(streaksBar - 1), kTonicC, 53, rowOf(streaksBar));
        s.echo(kChLead, kChLeadEcho, rowOf(keyChangeBar), rowOf(streaksBar), 3, 0.4);
        arp(kChArp, kPluck, keyChangeBar, streaksBar, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 57);
        s.echo(kChArp, kChArpEcho, rowOf(keyChangeBar), rowOf(streaksBar), 3, 0.4);
        swellInto(streaksBar, 44);
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
        pads(nightBar, flockBar, kPadDark, 36);
        padLayer(nightBar + 8, flockBar - 1, kPad, 20);
        sub(nightBar, flockBar, 34);

        static const std::vector<MelodyNote> night = {
            {0, 8, 7}, {8, 4, 3}, {12, 4, 2}, {16, 12, 14}, {28, 4, 10},
            {32, 8, 12}, {40, 8, 7}, {48, 16, 3},
            {64, 8, 8}, {72, 4, 7}, {76, 4, 3}, {80, 16, 5},
            {96, 8, 2}, {104, 8, 5}, {112, 16, 7},
        };
        bells(night, rowOf(nightBar), kTonicC, 40, rowOf(nightBar + 8));
        bells(night, rowOf(nightBar + 8), kTonicC + 12, 30, rowOf(nightBar + 16));
        bells(night, rowOf(nightBar + 16), kTonicC, 38, rowOf(flockBar));
        bellEcho(rowOf(nightBar), rowOf(flockBar), 6, 0.5);

        // Drops: a fixed scatter on the minor pentatonic.
        static const int kPentatonic[5] = {0, 3, 5, 7, 10};
        Noise scatter(104);
        for (int row = rowOf(nightBar) + 2; row < rowOf(flockBar - 4);) {
            int degree = static_cast<int>((scatter.next() + 1.0) * 2.5) % 5;
            int octave = scatter.next() > 0.3 ? 12 : 0;
            int vol = 22 + static_cast<int>(10 * (scatter.next() + 1));
            s.note(kChFx, row, 60 + kPentatonic[degree] + octave, kDrop, vol);
            row += 6 + static_cast<int>((scatter.next() + 1.0) * 5.0);
        }

        arp(kChArp, kPluck, flockBar - 12, flockBar, {0, 2, 1, 3, 2, 4, 3, 5}, 0, 34, 2);
        s.echo(kChArp, kChArpEcho, rowOf(flockBar - 12), rowOf(flockBar), 3, 0.5);

        // A heartbeat comes back, then the pulse that leads into the flock.
        steps(kChPerc, kShaker, nightBar + 8, flockBar - 4, "..3...3...3...4.", 0.7);
        kicks(nightBar + 8, flockBar - 8, "6...............", 0.8, kKickSoft);
        steps(kChSnare, kSnare, nightBar + 8, flockBar - 8, "................" "........3.......", 0.6);
        kicks(flockBar - 8, flockBar - 4, "7.......6.......", 0.85, kKickSoft);
        steps(kChHat, kHatClosed, flockBar - 8, flockBar - 2, "..3...3...3...3.");
        kicks(flockBar - 4, flockBar - 2, "7...7...7...7...", 0.9);
        kicks(flockBar - 2, flockBar - 1, "8...8...8...8...");
        kicks(flockBar - 1, flockBar, "9...9...9.......");
        roll(rowOf(flockBar - 2), rowOf(flockBar - 1), 2, 26, 38);
        roll(rowOf(flockBar - 1), rowOf(flockBar - 1) + 8, 1, 38, 48);
        roll32(rowOf(flockBar - 1) + 8, rowOf(flockBar - 1) + 12, 40, 50);
        riser(rowOf(flockBar - 4), rowOf(flockBar), 45, 24, 6, 48);
        silence(rowOf(flockBar - 1) + 12);
        swellInto(flockBar, 52);
    }

    void flock()
    {
        // Short and hard: driving kick with pushes, stabs, the hook in C minor.
        impact(flockBar);
        crash(flockBar + 4);
        kicks(flockBar, streaksAgainBar - 1, "9...9...9...9...9...9...9...9.7.");
        steps(kChClap, kClap, flockBar, streaksAgainBar - 1, "....8.......8..5");
        steps(kChHat, kHatClosed, flockBar, streaksAgainBar - 1, "2425242524252425");
        steps(kChHatOpen, kHatOpen, flockBar, streaksAgainBar - 1, "..5...5...5...5.");
        bass(flockBar, streaksAgainBar - 1, BassStyle::Gallop, 62);
        pads(flockBar, streaksAgainBar, kPad, 39, 0.5);
        sub(flockBar, streaksAgainBar - 1, 30);
        stabs(flockBar, streaksAgainBar - 1, 42);

        std::vector<MelodyNote> hook(mainTheme().begin(), mainTheme().begin() + 12);
        static const std::vector<MelodyNote> turn = {
            {0, 3, 5}, {3, 3, 5}, {6, 2, 10}, {8, 2, 14}, {10, 6, 10},
            {16, 3, 7}, {19, 3, 11}, {22, 2, 14}, {24, 8, 11}};
        melody(kChLead, kLeadBright, hook, rowOf(flockBar), kTonicC, 44, rowOf(flockBar + 2));
        melody(kChLead, kLeadBright, turn, rowOf(flockBar + 2), kTonicC, 44, rowOf(flockBar + 4));
        melody(kChLead, kLeadBright, hook, rowOf(flockBar + 4), kTonicC, 46, rowOf(streaksAgainBar - 1));
        static const std::vector<MelodyNote> hold = {{0, 12, 7}};
        melody(kChLead, kLeadBright, hold, rowOf(streaksAgainBar - 1), kTonicC, 42, rowOf(streaksAgainBar));
        s.echo(kChLead, kChLeadEcho, rowOf(flockBar), rowOf(streaksAgainBar), 3, 0.4);
        arp(kChArp, kPluck, flockBar, streaksAgainBar, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 60);
        s.echo(kChArp, kChArpEcho, rowOf(flockBar), rowOf(streaksAgainBar), 3, 0.4);

        // Fill: toms falling over the last two beats.
        kicks(streaksAgainBar - 1, streaksAgainBar, "9...9...........");
        static const int kToms[8] = {57, 55, 52, 50, 48, 45, 43, 40};
        for (int i = 0; i < 8; ++i)
            s.note(kChSnare, rowOf(streaksAgainBar - 1) + 8 + i, kToms[i], kTom, 44 + 2 * i);
        swellInto(streaksAgainBar, 50);
    }

    void finale()
    {
        // Everything, in D minor and fuller than the drop: the theme doubled an octave down, the
        // bell counter-melody throughout, stabs, sixteenth hats, a crash every phrase.
        impact(finaleBar);
        for (int bar : {finaleBar + 4, finaleBar + 8, finaleBar + 12})
            crash(bar, 58);
        standardDrums(finaleBar, codaBar - 1, 3);
        steps(kChHat, kHatClosed, finaleBar, codaBar - 1, "3535353535353536");
        steps(kChSnare, kSnare, finaleBar, codaBar - 1, "....7.......7...");
        bass(finaleBar, finaleBar + 6, BassStyle::Rolling, 64);
        bass(finaleBar + 6, finaleBar + 8, BassStyle::Gallop, 64);
        bass(finaleBar + 8, codaBar - 1, BassStyle::Rolling, 64);
        pads(finaleBar, codaBar, kPad, 49, 0.5);
        stabs(finaleBar, codaBar - 2, 60);
        sub(finaleBar, codaBar - 1, 24);
        // High plucks on the offbeat eighths, a second arp over the first.
        for (int row = rowOf(finaleBar) + 2, i = 0; row < rowOf(codaBar - 1); row += 4, ++i) {
            const std::vector<int>& v = voicingAt(row);
            s.note(kChFx, row, v[static_cast<size_t>(1 + i % 3)] + 24, kPluck, 40);
            s.effect(kChFx, row, xm::kSetPanningFx, i % 2 ? 0x30 : 0xD0);
        }

        melody(kChLead, kLead, mainTheme(), rowOf(finaleBar), kTonicD, 48, rowOf(finaleBar + 8));
        melody(kChLeadEcho, kLead, mainTheme(), rowOf(finaleBar), kTonicD - 12, 36, rowOf(finaleBar + 8));
        melody(kChLead, kLead, mainTheme(), rowOf(finaleBar + 8), kTonicD, 48, rowOf(codaBar - 2));
        melody(kChLeadEcho, kLead, mainTheme(), rowOf(finaleBar + 8), kTonicD - 12, 36, rowOf(codaBar - 2));
        bells(counterTheme(), rowOf(finaleBar), kTonicD, 36, rowOf(finaleBar + 8));
        bells(mainTheme(), rowOf(finaleBar + 8), kTonicD + 12, 34, rowOf(codaBar - 2));
        bellEcho(rowOf(finaleBar), rowOf(codaBar - 2), 3, 0.4);
        static const std::vector<MelodyNote> climb = {{0, 8, 8}, {8, 8, 10}, {16, 8, 10}, {24, 4, 12}, {28, 4, 14}};
        melody(kChLead, kLead, climb, rowOf(codaBar - 2), kTonicD, 52, rowOf(codaBar), true);
        melody(kChLeadEcho, kLead, climb, rowOf(codaBar - 2), kTonicD - 12, 36, rowOf(codaBar), true);
        arp(kChArp, kPluck, finaleBar, codaBar, {0, 1, 2, 3, 4, 3, 2, 1}, 1, 64);
        s.echo(kChArp, kChArpEcho, rowOf(finaleBar), rowOf(codaBar), 3, 0.45);

        kicks(codaBar - 1, codaBar, "9...9...9...9...");
        roll(rowOf(codaBar - 1), rowOf(codaBar - 1) + 8, 1, 38, 50);
        roll32(rowOf(codaBar - 1) + 8, rowOf(codaBar - 1) + 14, 50, 62);
        riser(rowOf(codaBar - 2), rowOf(codaBar), 48, 24, 8, 50);
        swellInto(codaBar, 56);
    }

    void coda()
    {
        // The last chord rings; a bell recalls the hook as the sprites vanish; silence by 281 s.
        impact(codaBar);
        kicks(codaBar, codaBar + 1, "9...............");
        static const std::vector<MelodyNote> last = {{0, 32, 12}};
        melody(kChLead, kLead, last, rowOf(codaBar), kTonicD, 50, rowOf(codaBar + 2));
        pads(codaBar, codaBar + 6, kPadDark, 44);
        padLayer(codaBar, codaBar + 4, kPad, 30);
        sub(codaBar, codaBar + 6, 36);

        static const std::vector<MelodyNote> farewell = {
            {8, 6, 7}, {14, 2, 5}, {16, 8, 3}, {24, 12, 0}, // the coda's first two bars
            {50, 14, 7},                                     // 276214 ms: the sprites begin to vanish
            {66, 16, 12},                                    // 277929 ms: the last of them
        };
        bells(farewell, rowOf(codaBar), kTonicD, 36, rowOf(codaBar + 6));
        bellEcho(rowOf(codaBar), rowOf(codaBar + 6), 6, 0.5);

        // Global fade from 272000 ms (the coda's first bar, row 11) to nothing by the end of the music.
        int from = static_cast<int>(std::ceil(272000.0 / kRowMs));
        int to = static_cast<int>(std::floor(timeline::kMusicEndMs / kRowMs));
        for (int row = from; row <= to; ++row) {
            double t = static_cast<double>(row - from) / (to - from);
            int g = static_cast<int>(std::lround(64.0 * std::pow(1.0 - t, 1.6)));
            s.effect(kChImpact, row, xm::kGlobalVolume, static_cast<uint8_t>(g));
        }
        for (int ch = 0; ch < kChannels; ++ch)
            s.keyOff(ch, rowOf(codaBar + 6));
    }
};

} // namespace

Composition compose()
{
    return Composer().run();
}

} // namespace music
