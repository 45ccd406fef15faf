// main.cpp - the program's entry: options, then the show.
#include "app/command_line.h"
#include "app/demo.h"
#include "engine_api.h"
#include "sublumen_version.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

using namespace BRAVIK_LUMENVAT;

namespace {

namespace fs = std::filesystem;

bool makeDirectories(const std::string& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    return fs::is_directory(path, error);
}

// A name the capture writes: six digits and ".png".
bool isFrameName(const std::string& name)
{
    if (name.size() != 10 || name.compare(6, 4, ".png") != 0)
        return false;
    for (int i = 0; i < 6; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

std::vector<std::string> existingFrames(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator e(dir, error), end; !error && e != end; e.increment(error)) {
        std::string name = e->path().filename().string();
        if (isFrameName(name))
            names.push_back(name);
    }
    return names;
}

// Frames of an earlier capture would lie beside the new ones and look like part of it: the
// folder must hold none, unless --force asks to remove them (only the regular files among them:
// anything else of that name is the user's and is written through).
bool prepareCaptureFolder(const CommandLine& cl)
{
    std::vector<std::string> frames = existingFrames(cl.captureDir);
    if (frames.empty())
        return true;
    if (!cl.force) {
        std::fprintf(stderr,
                     "sublumen: the capture folder %s already holds %zu numbered frames (such as %s); pass --force "
                     "to replace them, or choose another folder\n",
                     cl.captureDir.c_str(), frames.size(), frames.front().c_str());
        return false;
    }
    for (const std::string& name : frames) {
        std::string path = cl.captureDir + "/" + name;
        std::error_code error;
        if (fs::is_regular_file(fs::symlink_status(path, error)) && !fs::remove(path, error)) {
            std::fprintf(stderr, "sublumen: cannot remove the old frame %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

// The export's file must be one the engine can write (its extension names the container), and
// an existing file is only replaced with --force. Reports the reason and returns false otherwise.
bool checkExportFile(const CommandLine& cl)
{
    char reason[512];
    if (!rvkCheckExportFile(cl.exportPath.c_str(), reason, sizeof reason)) {
        std::fprintf(stderr, "sublumen: %s\n\n%s", reason, usageText());
        return false;
    }
    std::error_code error;
    fs::file_status status = fs::status(cl.exportPath, error);
    if (!fs::exists(status))
        return true;
    if (fs::is_directory(status)) {
        std::fprintf(stderr, "sublumen: %s is a folder; --export needs a file name\n", cl.exportPath.c_str());
        return false;
    }
    if (!cl.force) {
        std::fprintf(stderr, "sublumen: %s already exists; pass --force to replace it, or choose another name\n",
                     cl.exportPath.c_str());
        return false;
    }
    return true;
}

// The setup dialog asks for the display mode unless the command line already chose a window
// (or a size), or the run is a capture, which shows nothing.
StartOptions startOptionsFrom(const CommandLine& cl)
{
    StartOptions start;
    start.showDialog = !cl.rendersFrames() && !cl.window && !cl.fullscreen && !cl.sizeGiven;
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
    if (cl.version) {
        std::printf("sublumen %s\n", SUBLUMEN_VERSION);
        return 0;
    }
    // Before anything renders: a file the export cannot write is a bad argument.
    if (cl.exportVideo && !checkExportFile(cl))
        return 2;
    // The live show needs a window someone sees; frames into files render offscreen without one.
    char reason[512];
    if (!cl.rendersFrames() && !rvkCheckDisplay(reason, sizeof reason)) {
        std::fprintf(stderr, "sublumen: %s. The show needs a desktop; --capture DIR and --export FILE render "
                     "without one.\n", reason);
        return 2;
    }
    if (cl.capture && !makeDirectories(cl.captureDir)) {
        std::fprintf(stderr, "sublumen: cannot create the capture folder %s\n", cl.captureDir.c_str());
        return 2;
    }
    if (cl.capture && !prepareCaptureFolder(cl))
        return 2;

    RvkOptions options;
    options.dataPath = cl.dataPath.empty() ? nullptr : cl.dataPath.c_str();
    options.overlayDir = cl.overlayDir.empty() ? nullptr : cl.overlayDir.c_str();
    options.logPath = cl.logPath.empty() ? nullptr : cl.logPath.c_str();
    options.noAudio = cl.noAudio;
    options.startMs = cl.startMs;
    options.headless = cl.headless;
    if (cl.capture) {
        options.captureDir = cl.captureDir.c_str();
        options.captureFromMs = cl.fromMs;
        options.captureToMs = cl.toMs;
        options.captureFps = cl.fps;
    }
    if (cl.exportVideo) {
        options.exportPath = cl.exportPath.c_str();
        options.exportCrf = cl.crf;
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
