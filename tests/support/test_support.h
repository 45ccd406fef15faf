// test_support.h - what the tests share: a GL window through the engine (Xvfb + llvmpipe in CI),
// pixel read-back, the paths of the built program and archives, and running the program; with the
// folders, files and commands of test_files.h.
#pragma once

#include "test_files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Opens the engine's window (windowed, `width` x `height`, aspect closest to it) with a current GL
// context, once per process; later calls return at once. Boxes are logged only, audio is off.
// Mounts `pakPath` when given (before the first call only) and uploads its textures. Returns
// false when there is no display.
bool openGLWindow(int width = 256, int height = 256, const std::string& pakPath = "");

struct Rgba {
    uint8_t r, g, b, a;
};
// Pixels of the bound read framebuffer, bottom row first.
std::vector<Rgba> readPixels(int x, int y, int width, int height);
Rgba readPixel(int x, int y);

// A PNG file's pixels, top row first; empty when it cannot be read.
std::vector<Rgba> loadPng(const std::string& path, int& width, int& height);
// A frame's luminance (the mean of r, g and b): its mean and standard deviation over the pixels.
struct Luminance {
    double mean = 0, deviation = 0;
};
Luminance luminanceOf(const std::vector<Rgba>& pixels);
// DIR/000123.png for frame 123 of a capture.
std::string framePath(const std::string& dir, int frame);
// Whether frame `frame` of two captures has the same bytes (false when either is missing).
bool sameFrameBytes(const std::string& dirA, const std::string& dirB, int frame);

// The log file of the window opened by openGLWindow.
std::string engineLog();
// How many times `part` occurs in `text`, overlapping ones included.
size_t occurrences(const std::string& text, const std::string& part);

std::string programPath(); // build/sublumen
std::string builtPakPath(); // build/data.pak
std::string testPakPath();  // the engine tests' small archive

// Runs build/sublumen with the arguments; exit status, stdout and stderr together in `output`.
int runProgram(const std::string& arguments, std::string* output = nullptr);
// A zip of these entries, names as given (pakbuild refuses unsafe ones): each entry stored, or
// deflated where `deflate` is set. The entries only view their data.
struct ZipEntry {
    std::string name;
    std::string_view data;
    bool deflate = false;
};
std::string zipOf(const std::vector<ZipEntry>& entries);

// DIR/log.txt, the log a test's run of the program was given; empty when there is none.
std::string logOf(const std::string& dir);

// A small tmpfs of our own mounted on `dir`, where the test may mount one (root, and a system
// that allows it); unmounted when it goes. Null options: nothing is mounted.
struct SmallFilesystem {
    std::string path;
    bool mounted = false;
    SmallFilesystem(const std::string& dir, const char* options);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;
};

// `dir` (an existing folder) made unwritable while it lives: mode 0555, or, since that does not
// stop root, a tmpfs mounted there read-only. `ready` is false where neither could be done.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& dir);
    ~ReadOnlyFolder();
    bool ready = false;

private:
    SmallFilesystem mount;
};

} // namespace testsupport
