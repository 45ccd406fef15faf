// show_timeline.h - the show's timeline in one place: the eight effect spans, the end of the
// show and the music cues the effects and the music are written against.
//
// Every time is a module position in milliseconds. Spans are half-open, [start, end): they join
// end to end, and the engine hands a position to the effect whose span holds it. The registration
// table, the main loop's end test, the command line's defaults, the effects, the tests and the
// music generator all read these names; a number retyped elsewhere is a bug waiting to happen.
#pragma once

namespace timeline {

struct Span {
    int start;
    int end;
    const char* name; // the name registered with the engine
};

constexpr Span kWaterBlobs = {0, 96150, "waterblobs"};
constexpr Span kColladaScene = {96150, 123400, "colladascene"};
constexpr Span kBlurParticles = {123400, 150825, "blurparticles"};
constexpr Span kPressure2 = {150825, 178250, "pressure2"};
constexpr Span kSkene1 = {178250, 219500, "skene1"};
constexpr Span kFlock = {219500, 231400, "crap"};
constexpr Span kPressure = {231400, 246800, "pressure"};
constexpr Span kParticleBlob = {246800, 281000, "particleblob"};

// In the order they are registered (and played).
constexpr Span kSpans[8] = {kWaterBlobs, kColladaScene, kBlurParticles, kPressure2,
                            kSkene1,     kFlock,        kPressure,      kParticleBlob};

// The program quits on the first frame past this position (200 ms after the last span).
constexpr int kShowEndMs = 281200;

// Music cues. The music generator starts its sections on them (see tools/music).
constexpr int kWormsCue = 53985;        // the build-up: worm trails begin to fade in
constexpr int kSwellCue = 68500;        // the worms swell, the camera target swings out
constexpr int kDropCue = 68700;         // the drop
constexpr int kRisingCue = 110000;      // the flight's rise: fog fades, the camera shakes
constexpr int kFogGoneCue = 115000;     // the flight's fog is gone
constexpr int kShakeEndCue = 124000;    // the flight's shake reaches full strength
constexpr int kKeyChangeCue = 142351;   // the swarm's key change: inverted colours, more boxes
constexpr int kMusicEndMs = 281000;     // the music is silent from here

constexpr bool spanHolds(const Span& span, int ms)
{
    return ms >= span.start && ms < span.end;
}

constexpr bool spansJoinEndToEnd()
{
    for (int i = 1; i < 8; ++i)
        if (kSpans[i].start != kSpans[i - 1].end)
            return false;
    return kSpans[0].start == 0 && kSpans[7].end == kMusicEndMs && kShowEndMs > kMusicEndMs;
}
static_assert(spansJoinEndToEnd(), "the spans must join end to end from 0 to the end of the music");

} // namespace timeline
