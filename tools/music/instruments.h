// instruments.h - the instrument set of the piece, synthesised from nothing: drums, bass, pads,
// leads, plucks, bells, risers and impacts.
//
// Each instrument's samples carry the balance of the mix (a pattern volume of 64 plays an
// instrument at its nominal level), so the score writes only dynamics. Drums and effects sound
// their own pitch on C-4; pitched instruments are tuned so that pattern note N plays MIDI N + 11.
#pragma once

#include "xm.h"

#include <vector>

namespace music {

// Instrument numbers as the patterns name them (1-based). The kick drums' names begin with
// "kick": that is how the engine's beat meter finds the instruments it follows.
enum Instrument : uint8_t {
    kKick = 1,
    kKickSoft,
    kClap,
    kSnare,
    kHatClosed,
    kHatOpen,
    kShaker,
    kCrash,
    kReverseCrash, // swells for exactly one bar at 140 BPM, peaking on the next downbeat
    kTom,
    kImpact,
    kNoiseRiser,   // looped noise, swept with pitch slides
    kBass,         // plucked saw bass, bright attack
    kSub,
    kPad,
    kPadDark,
    kLead,
    kLeadBright,   // the second lead, after the key change
    kPluck,
    kBell,
    kDrop,         // a water drop
    kStab,
};

// Ticks from a bell's key off to silence: a note on the same channel must wait this long.
constexpr int kBellReleaseTicks = 28;

std::vector<xm::Instrument> buildInstruments();

} // namespace music
