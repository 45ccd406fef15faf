// compose.h - the piece: 165 bars at 140 BPM in 4/4 (282.9 s), sections that follow the picture's
// timeline, and the kick onsets it placed.
#pragma once

#include "score.h"

#include <vector>

namespace music {

constexpr int kBars = 165;

struct Composition {
    xm::Module module;
    std::vector<KickHit> kicks; // in row order
};

Composition compose();

} // namespace music
