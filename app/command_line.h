// command_line.h - the program's options.
//
//   sublumen [--window | --fullscreen] [--size WxH] [--aspect 4:3|16:10|16:9] [--start MS]
//            [--data PATH] [--overlay DIR] [--log FILE] [--no-audio] [--help]
//   sublumen --capture DIR [--force] [--from MS] [--to MS] [--fps N] [--size WxH] [--aspect ...]
//            [--headless]
//   sublumen --export FILE [--force] [--from MS] [--to MS] [--fps N] [--size WxH] [--aspect ...]
//            [--crf N] [--headless]
//   sublumen --help | --version
#pragma once

#include "app/demo.h"
#include "effects/show_timeline.h"

#include <string>
#include <vector>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool window = false;
    bool fullscreen = false;
    bool sizeGiven = false;
    int width = 1280;
    int height = 720;
    int aspectIndex = -1; // -1: the closest to the window's own shape
    int startMs = 0;
    std::string dataPath;
    std::string overlayDir;
    std::string logPath;
    bool noAudio = false;

    bool capture = false;
    std::string captureDir;
    bool force = false; // frames of an earlier capture in the folder are removed first
    int fromMs = 0;
    int toMs = timeline::kShowEndMs;
    int fps = 60;

    // The capture's frames and the music as one video file instead of PNGs.
    bool exportVideo = false;
    std::string exportPath;
    bool crfGiven = false;
    int crf = 18;

    // Offscreen (EGL) rendering even where a display is named.
    bool headless = false;

    // A capture or an export: frames into files on the capture clock.
    bool rendersFrames() const { return capture || exportVideo; }
};

// Parses argv[1..]; on a bad argument returns false with a one-line reason in `error`.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);
const char* usageText();
// The aspect index (0 "4:3", 1 "16:10", 2 "16:9") closest to width / height.
int closestAspect(int width, int height);
