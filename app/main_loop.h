// main_loop.h - the frame loop: one window-system message or one frame per pass, the keys
// (Escape fades out, F1 with Left or Right seeks), the 1.15-second end fade and the end test.
#pragma once

#include "effects/show_timeline.h"
#include "engine_api.h"

#include <set>
#include <utility>

// Black: the per-frame clear colour and the colour the end fade closes to.
extern BRAVIK_LUMENVAT::Vector clearColor;

// Length of the end fade, in seconds.
constexpr float kEndFadeSeconds = 1.15f;

struct MainLoop {
    bool quit = false;
    float countdown = 0;  // end fade, seconds left; 0 while not fading
    int direction = 0;    // seek direction while F1 is held: -1, 0 or +1
    BRAVIK_LUMENVAT::RvkMessage message;
    // GL errors already logged, as (index of the span drawn, error code); -1 outside every span.
    std::set<std::pair<int, unsigned>> reportedGlErrors;
};

// Reads the GL errors a frame left at `positionMs` and logs each code once per effect span, so
// that a fault shows where it starts without a line in every frame.
void reportGlErrors(MainLoop& loop, int positionMs);

// Draws one frame of the end fade and counts it down; true once the fade has run out.
bool endFade(float& countdown);
// One pass: a message, or a frame. Returns false once the loop should end.
bool runLoopPass(MainLoop& loop);
void runMainLoop(MainLoop& loop);
