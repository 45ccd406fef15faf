// demo.h - the production's run: start-up in its fixed order, the effect registrations, the
// main loop, and the shutdown, inside one region that reports text exceptions.
#pragma once

#include "engine_api.h"

#include <vector>

// The display settings the engine's window is made with: the setup dialog's choices, or the
// command line's where no dialog is shown.
struct DisplayChoice {
    bool accepted = true; // false: "Quit" or the dialog closed; nothing is opened
    int width = 1280;
    int height = 720;
    int bitsPerPixel = 32;
    int refreshRate = 60;
    bool fullscreen = false;
    bool alwaysOnTop = false;
    bool alwaysOnTop2 = false;
    int aspectIndex = 2; // 0 "4:3", 1 "16:10", 2 "16:9"
};

struct StartOptions {
    bool showDialog = false;
    DisplayChoice commandLine;
};

// One row of the timeline: the effect's span in ms of the module position, its registered name
// and how to make it.
struct EffectEntry {
    unsigned start;
    unsigned end;
    const char* name;
    BRAVIK_LUMENVAT::Base* (*create)();
};

// The production's timeline, in registration order; the spans join end to end.
const std::vector<EffectEntry>& productionEffects();

// Runs the whole show with these effects; returns the process's exit status: 130 when a signal
// interrupted it, 1 after a text exception or a capture that failed or ended short (see
// rvkExitStatus), else the last message's wParam (0).
int runDemo(const StartOptions& options, const std::vector<EffectEntry>& effects = productionEffects());
