// harmony.cpp - chord parsing, voice leading and the themes.
#include "harmony.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace music {

Chord Chord::parse(const std::string& name)
{
    static const int kLetters[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.empty() || name[0] < 'A' || name[0] > 'G')
        throw std::invalid_argument("chord: " + name);
    Chord c;
    c.root = kLetters[name[0] - 'A'];
    size_t i = 1;
    if (i < name.size() && name[i] == 'b') {
        c.root = (c.root + 11) % 12;
        ++i;
    } else if (i < name.size() && name[i] == '#') {
        c.root = (c.root + 1) % 12;
        ++i;
    }
    std::string quality = name.substr(i);
    if (quality.empty()) c.intervals = {0, 4, 7};
    else if (quality == "m") c.intervals = {0, 3, 7};
    else if (quality == "m7") c.intervals = {0, 3, 7, 10};
    else if (quality == "m9") c.intervals = {0, 3, 7, 10, 14};
    else if (quality == "maj7") c.intervals = {0, 4, 7, 11};
    else if (quality == "add9") c.intervals = {0, 4, 7, 14};
    else if (quality == "sus4") c.intervals = {0, 5, 7};
    else if (quality == "7sus4") c.intervals = {0, 5, 7, 10};
    else if (quality == "7") c.intervals = {0, 4, 7, 10};
    else throw std::invalid_argument("chord: " + name);
    return c;
}

bool Chord::contains(int pitchClass) const
{
    for (int i : intervals)
        if ((root + i) % 12 == ((pitchClass % 12) + 12) % 12)
            return true;
    return false;
}

std::vector<int> voiceLead(const Chord& chord, const std::vector<int>& previous, int low, int high)
{
    std::vector<int> candidates;
    for (int p = low; p <= high; ++p)
        if (chord.contains(p))
            candidates.push_back(p);
    int third = -1;
    for (int i : chord.intervals)
        if (i == 3 || i == 4 || i == 5)
            third = (chord.root + i) % 12;

    std::vector<int> best;
    int bestCost = 1 << 30;
    size_t n = candidates.size();
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            for (size_t c = b + 1; c < n; ++c)
                for (size_t d = c + 1; d < n; ++d) {
                    std::vector<int> v = {candidates[a], candidates[b], candidates[c], candidates[d]};
                    if (v[3] - v[0] > 17)
                        continue;
                    int cost = 0;
                    bool hasThird = false;
                    int distinct = 0;
                    for (int interval : chord.intervals) {
                        bool found = false;
                        for (int p : v)
                            found = found || (p % 12) == (chord.root + interval) % 12;
                        distinct += found;
                    }
                    for (int p : v)
                        hasThird = hasThird || (p % 12) == third;
                    if (!hasThird)
                        continue;
                    cost += 8 * (static_cast<int>(std::min<size_t>(chord.intervals.size(), 4)) - distinct);
                    for (int k = 0; k < 3; ++k)
                        if (v[static_cast<size_t>(k + 1)] - v[static_cast<size_t>(k)] < 2)
                            cost += 4;
                    for (size_t k = 0; k < 4; ++k)
                        cost += std::abs(v[k] - (k < previous.size() ? previous[k] : (low + high) / 2));
                    if (cost < bestCost) {
                        bestCost = cost;
                        best = v;
                    }
                }
    if (best.empty())
        throw std::runtime_error("voiceLead: no voicing");
    return best;
}

int bassNote(const Chord& chord, int low)
{
    return low + ((chord.root - low) % 12 + 12) % 12;
}

// Themes, in rows (sixteenths) from the phrase start and semitones from the tonic.
const std::vector<MelodyNote>& mainTheme()
{
    static const std::vector<MelodyNote> theme = {
        // i: the hook, 3-3-2 against the beat
        {0, 3, 7}, {3, 3, 7}, {6, 2, 12}, {8, 2, 10}, {10, 4, 7}, {14, 2, 5},
        // VI: the same figure a third lower
        {16, 3, 3}, {19, 3, 3}, {22, 2, 8}, {24, 2, 7}, {26, 4, 3}, {30, 2, 0},
        // III: climbing
        {32, 3, -2}, {35, 3, 3}, {38, 2, 7}, {40, 2, 10}, {42, 2, 7}, {44, 2, 10}, {46, 2, 15},
        // VII: falling to rest
        {48, 6, 14}, {54, 2, 12}, {56, 4, 10}, {60, 4, 5},
        // answer, i: the hook reaching higher
        {64, 3, 7}, {67, 3, 7}, {70, 2, 12}, {72, 2, 14}, {74, 6, 15},
        // VI
        {80, 3, 12}, {83, 3, 12}, {86, 2, 15}, {88, 2, 14}, {90, 4, 12}, {94, 2, 8},
        // III
        {96, 6, 10}, {102, 2, 7}, {104, 2, 10}, {106, 4, 15}, {110, 2, 14},
        // VII, held
        {112, 4, 14}, {116, 2, 12}, {118, 2, 10}, {120, 8, 10},
    };
    return theme;
}

const std::vector<MelodyNote>& flightTheme()
{
    static const std::vector<MelodyNote> theme = {
        {0, 12, 12}, {12, 4, 15},             // VI
        {16, 12, 10}, {28, 4, 7},             // III
        {32, 8, 14}, {40, 8, 17},             // VII
        {48, 16, 12},                         // i
        {64, 6, 15}, {70, 6, 12}, {76, 4, 8}, // VI
        {80, 12, 7}, {92, 4, 10},             // III
        {96, 8, 14}, {104, 4, 12}, {108, 4, 10}, // VII
        {112, 8, 12}, {120, 8, 7},            // i
    };
    return theme;
}

const std::vector<MelodyNote>& streakTheme()
{
    static const std::vector<MelodyNote> theme = {
        {0, 6, 3}, {6, 2, 0}, {8, 6, 8}, {14, 2, 7},      // VI
        {16, 6, 7}, {22, 2, 3}, {24, 8, 10},              // III
        {32, 6, 5}, {38, 2, 2}, {40, 6, 10}, {46, 2, 14}, // VII
        {48, 12, 12}, {60, 4, 7},                         // i
    };
    return theme;
}

const std::vector<MelodyNote>& streakAnswer()
{
    // The streak line's rhythm a third higher, on iv VI VII i.
    static const std::vector<MelodyNote> theme = {
        {0, 6, 8}, {6, 2, 7}, {8, 6, 12}, {14, 2, 10},     // iv
        {16, 6, 12}, {22, 2, 8}, {24, 8, 15},              // VI
        {32, 6, 14}, {38, 2, 10}, {40, 6, 17}, {46, 2, 14}, // VII
        {48, 12, 15}, {60, 4, 12},                          // i
    };
    return theme;
}

const std::vector<MelodyNote>& counterTheme()
{
    // Long notes over the main theme's i VI III VII, an octave above it.
    static const std::vector<MelodyNote> theme = {
        {0, 8, 12}, {8, 8, 15},   {16, 12, 12}, {28, 4, 8},  {32, 8, 7},   {40, 8, 10},  {48, 16, 14},
        {64, 8, 15}, {72, 8, 19}, {80, 8, 15},  {88, 8, 12}, {96, 16, 10}, {112, 8, 14}, {120, 8, 10},
    };
    return theme;
}

} // namespace music
