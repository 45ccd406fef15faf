// main_loop.h - the frame loop: one window-system message or one frame per pass, the keys
// (Escape fades out, F1 with Left or Right seeks), the 1.15-second end fade and the end test.
#pragma once

#include "effects/show_timeline.h"
#include "engine_api.h"

// Black: the per-frame clear colour and the colour the end fade closes to.
extern BRAVIK_LUMENVAT::Vector clearColor;

// Length of the end fade, in seconds.
constexpr float kEndFadeSeconds = 1.15f;

struct MainLoop {
    bool quit = false;
    float countdown = 0;  // end fade, seconds left; 0 while not fading
    int direction = 0;    // seek direction while F1 is held: -1, 0 or +1
    BRAVIK_LUMENVAT::RvkMessage message;
};

// Draws one frame of the end fade and counts it down; true once the fade has run out.
bool endFade(float& countdown);
// One pass: a message, or a frame. Returns false once the loop should end.
bool runLoopPass(MainLoop& loop);
void runMainLoop(MainLoop& loop);
