// lumenvat_local.h - the engine's private parts, shared between its modules.
//
// The engine is split by service: platform_sdl (window, GL context, events, keys, display modes,
// boxes), archive (PhysicsFS mount, texts), textures (stb_image decode, GL upload), music
// (libopenmpt, SDL audio, the module clock and its spectrum), timeline, view (projections and
// camera), capture (frame PNGs), export (the frames and the music as a video file, FFmpeg),
// progress (frames done, on stderr), log. Nothing here is visible to the system.
#pragma once

#include "engine_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumenvat {

using namespace BRAVIK_LUMENVAT;

// Options as given to rvkSetOptions, with owned strings.
struct Options {
    std::string dataPath;
    std::string overlayDir;
    std::string logPath;
    bool noAudio = false;
    bool boxesToLogOnly = false;
    int startMs = 0;
    bool capture = false;
    std::string captureDir;
    int captureFromMs = 0;
    int captureToMs = 281200;
    int captureFps = 60;
    // Export: capture is on too (its clock and headless window); frames go to this file.
    std::string exportPath;
    int exportCrf = 18;
};

Options& options();

// What rvkExitProcess throws instead of ending the process in the fuzzing build.
struct ProcessExit {
    int code;
};

// log.cpp
void openLog();
void closeLog();
void logLine(const char* text);

// platform_sdl.cpp
bool platformHasWindow();
void platformShutDown();
void platformShowBox(const char* caption, const char* text, unsigned style);
// The picture's rectangle inside the window (letterboxed to the chosen aspect), in pixels with
// the origin at the bottom left, as glViewport takes it.
struct PictureRect {
    int x = 0, y = 0, width = 1, height = 1;
};
PictureRect pictureRect();
int windowPixelWidth();
int windowPixelHeight();
void initSdlSubsystem(uint32_t flags);
// The SIGINT or SIGTERM that interrupted the run, else 0; the first call that sees it logs it.
int interruptedBySignal();

// archive.cpp
struct ArchiveFile {
    std::string name;
    std::vector<unsigned char> bytes;
};
bool archiveMounted();
// Image files (.png, .jpg, .jpeg) of the archive, in name order, read at rvkReadPak.
std::vector<ArchiveFile>& archiveImages();
// The first module file of the archive in name order; empty bytes when there is none.
ArchiveFile& archiveModule();
void archiveShutDown();
// The entry names of a zip's central directory, in directory order; false when `bytes` holds no
// readable directory (the names read so far stay).
bool zipEntryNames(const unsigned char* bytes, size_t size, std::vector<std::string>& names);

// textures.cpp
void texturesShutDown();
// Images larger than this on a side are refused before decoding (the header decides).
constexpr int kMaxImageSide = 8192;
// Decodes a PNG or JPEG into RGBA pixels, top row first; false with the reason otherwise.
bool decodeImage(const unsigned char* bytes, size_t size, std::vector<unsigned>& pixels, int& width, int& height,
                 std::string& reason);

// music.cpp
// The module clock: position in ms (fractional) as of the last rvkUpdateTimer.
double clockPositionMs();
void musicShutDown();
// Capture mode: called once per written frame to step the frame clock.
void clockAdvanceCaptureFrame();

// timeline.cpp
void timelineShutDown();

// view.cpp
void viewApplyPicture();
void viewShutDown();

// capture.cpp
void captureReset();
bool captureWriteFrame();
bool captureDone();
int captureFrameCount();

// export.cpp
bool exportCheckFile(const std::string& path, std::string& reason);
// Encodes one picture (RGB bytes, bottom row first, rows packed) as the next frame, with the
// music up to the end of that frame; the first call creates the file. False with the reason
// when the file cannot be written (nothing has been removed yet: see exportAbandon).
bool exportWriteFrame(const unsigned char* rgb, int width, int height, std::string& reason);
// Ends the streams, closes the file and gives it its name; false with the reason otherwise
// (the temporary file is then removed). `interrupted` only changes what the log says.
bool exportFinish(bool interrupted, std::string& reason);
// Drops an unfinished export and its temporary file.
void exportAbandon();
bool exportActive();

// progress.cpp: frames done of total on stderr, redrawn in place on a terminal, a line every few
// seconds otherwise. `what` names the run ("capture", "export").
void progressReport(const char* what, int done, int total);
// A log line is about to go to stderr: a progress line drawn in place is ended first.
void progressBreakLine();
void progressReset();

// os_posix.cpp, os_win32.cpp: what differs by operating system, one file per system.
// Once, before SDL starts: installs the handlers that turn an interruption (SIGINT, SIGTERM; on
// Windows Ctrl+C, Ctrl+Break and the console closing) into osInterruptSignal, and tells SDL what
// it needs to know of the process.
void osPrepareSdl();
// The signal number of the interruption once one arrived (SIGTERM's 15 for Ctrl+Break and the
// console closing), else 0.
int osInterruptSignal();
// Whether a window can be opened: a display server on Linux, always on Windows.
bool osHasDisplay();
// The folder that holds the running program, without a trailing separator.
std::string osExecutableDir();
// The log file when --log names none, its folder made.
std::string osDefaultLogPath();
bool osStderrIsTerminal();

// Named after what they hold, for log lines.
const char* aspectName(int index);

} // namespace lumenvat
