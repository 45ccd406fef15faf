// music_test_support.h - what the music tests share: the generated files, the kick list and a
// libopenmpt render.
#pragma once

#include "loudness.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace musictest {

constexpr double kBarMs = 60000.0 / 140.0 * 4.0;

struct Kick {
    double ms;
    int volume; // pattern volume 0..64
    bool main;  // the full kick (false: the soft one of the calm passages)
};

std::vector<uint8_t> readBytes(const std::string& path);
std::vector<Kick> readKicks(const std::string& path);

// Mono (left + right) / 2 at `rate`, the whole module; `solo` keeps only those channels.
std::vector<float> renderMono(const std::vector<uint8_t>& module, int rate, const std::vector<int>& solo = {});
// Both channels, as a player hears them.
Stereo renderStereo(const std::vector<uint8_t>& module, int rate, const std::vector<int>& solo = {});

// The channels on which an instrument whose name begins with `prefix` plays.
std::vector<int> channelsPlaying(const std::vector<uint8_t>& module, const std::string& prefix);

// The steady loud grooves, as [first bar, end bar): drop, flight, swarm, key change, streaks
// (up to its breakdown), flock, streaks again, finale (builds, fills and breakdowns left out).
const std::vector<std::pair<int, int>>& loudBars();
bool inLoudSection(double ms);

} // namespace musictest
