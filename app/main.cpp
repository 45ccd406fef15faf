// main.cpp - the program's entry: options, then the show.
#include "app/command_line.h"
#include "app/demo.h"
#include "engine_api.h"

#include <cstdio>
#include <exception>
#include <sys/stat.h>

using namespace BRAVIK_LUMENVAT;

namespace {

bool makeDirectories(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
    mkdir(path.c_str(), 0755);
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The setup dialog asks for the display mode unless the command line already chose a window
// (or a size), or the run is a capture, which shows nothing.
StartOptions startOptionsFrom(const CommandLine& cl)
{
    StartOptions start;
    start.showDialog = !cl.capture && !cl.window && !cl.fullscreen && !cl.sizeGiven;
    DisplayChoice& choice = start.commandLine;
    choice.width = cl.width;
    choice.height = cl.height;
    choice.fullscreen = cl.fullscreen;
    if (cl.fullscreen && !cl.sizeGiven) {
        RvkDisplayMode desktop;
        if (rvkGetDesktopDisplayMode(&desktop)) {
            choice.width = desktop.width;
            choice.height = desktop.height;
            choice.refreshRate = desktop.refreshRate;
        }
    }
    choice.aspectIndex = cl.aspectIndex >= 0 ? cl.aspectIndex : closestAspect(choice.width, choice.height);
    return start;
}

} // namespace

int main(int argc, char** argv)
{
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), cl, error)) {
        std::fprintf(stderr, "sublumen: %s\n\n%s", error.c_str(), usageText());
        return 2;
    }
    if (cl.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (!rvkHasDisplay()) {
        std::fprintf(stderr, "sublumen: no display. %s\n",
                     cl.capture ? "Capture needs one too: run it under xvfb-run -a."
                                : "Run under a desktop, or render frames with --capture DIR under xvfb-run -a.");
        return 2;
    }
    if (cl.capture && !makeDirectories(cl.captureDir)) {
        std::fprintf(stderr, "sublumen: cannot create the capture folder %s\n", cl.captureDir.c_str());
        return 2;
    }

    RvkOptions options;
    options.dataPath = cl.dataPath.empty() ? nullptr : cl.dataPath.c_str();
    options.overlayDir = cl.overlayDir.empty() ? nullptr : cl.overlayDir.c_str();
    options.logPath = cl.logPath.empty() ? nullptr : cl.logPath.c_str();
    options.noAudio = cl.noAudio;
    options.startMs = cl.startMs;
    if (cl.capture) {
        options.captureDir = cl.captureDir.c_str();
        options.captureFromMs = cl.fromMs;
        options.captureToMs = cl.toMs;
        options.captureFps = cl.fps;
    }
    rvkSetOptions(&options);

    try {
        return runDemo(startOptionsFrom(cl));
    } catch (const std::exception& e) {
        // Only text exceptions belong to the show's own handler; anything else is a fault, reported
        // plainly instead of aborting.
        rvkMsg("Fatal: %s\n", e.what());
        return 1;
    }
}
