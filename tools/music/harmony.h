// harmony.h - chords, voice leading and the melodic material of the piece.
#pragma once

#include <string>
#include <vector>

namespace music {

struct Chord {
    int root = 0;               // pitch class, 0 = C
    std::vector<int> intervals; // semitones above the root, root included

    // Parses "Am", "F", "Cm9", "Abmaj7", "G7sus4", "Bb", "E" ...
    static Chord parse(const std::string& name);
    bool contains(int pitchClass) const;
};

// Four pad voices in [low, high] for `chord`, as close as possible to `previous` (sorted, MIDI),
// keeping the third and avoiding clusters.
std::vector<int> voiceLead(const Chord& chord, const std::vector<int>& previous, int low = 52, int high = 74);

// The chord's root as a bass note in [low, low + 11].
int bassNote(const Chord& chord, int low);

// A melodic note: start and length in rows from the phrase start, pitch in semitones from the tonic.
struct MelodyNote {
    int start;
    int length;
    int pitch;
};

// The main theme: two four-bar phrases over i - VI - III - VII of a minor key.
const std::vector<MelodyNote>& mainTheme();
// The soaring line of the flight: long notes over VI - III - VII - i.
const std::vector<MelodyNote>& flightTheme();
// The flowing counter-line of the streaks over VI - III - VII - i (tonic relative).
const std::vector<MelodyNote>& streakTheme();
// Its answer: the same rhythm a third higher, on other chords.
const std::vector<MelodyNote>& streakAnswer();
// A counter-melody of long bell notes over the main theme's chords.
const std::vector<MelodyNote>& counterTheme();

} // namespace music
