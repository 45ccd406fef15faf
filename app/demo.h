// demo.h - the production's run: start-up in its fixed order, the effect registrations, the
// main loop, and the shutdown, inside one region that reports text exceptions.
#pragma once

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

// Runs the whole show; returns the process's exit status.
int runDemo(const StartOptions& options);
