// lumenvat_local.h - the engine's private parts, shared between its modules.
//
// The engine is split by service: platform_sdl (window, GL context, events, keys, display modes,
// boxes), archive (PhysicsFS mount, texts), textures (stb_image decode, GL upload), music
// (libopenmpt, SDL audio, the module clock and its spectrum), timeline, view (projections and
// camera), capture (frame PNGs), export (the frames and the music as a video file, FFmpeg),
// progress (frames done, on stderr), log, interrupts (what an interruption means),
// signals_posix (receiving them; a box's child process), platform_x11 (errors about the window).
// Nothing here is visible to the system.
#pragma once

#include "engine_api.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace openmpt {
class module;
}
struct SDL_Window;

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
    int captureToMs = 0; // the caller gives the end: the engine does not know the show
    int captureFps = 60;
    // Export: capture is on too (its clock and headless window); frames go to this file.
    std::string exportPath;
    int exportCrf = 18;
    // Capture and export through SDL's offscreen driver even where a display exists.
    bool headless = false;
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

// platform_x11.cpp (os_win32.cpp: nothing to watch): the window, once made, is watched for errors
// that say another client destroyed it; windowLostToTheServer then holds until
// unwatchWindowErrors, which takes the window's last errors before SDL closes the display.
void watchWindowErrors(SDL_Window* window);
bool windowLostToTheServer();
void unwatchWindowErrors();

// interrupts.cpp: what an interruption means, for the receivers below. Safe in a signal handler.
enum InterruptAnswer {
    INTERRUPT_QUIT,               // the first: the loop quits
    INTERRUPT_STOP_EXPORT,        // the second during an export: it stops and closes its file
    INTERRUPT_EXIT,               // end the process at once (128 + the signal)
    INTERRUPT_EXIT_REMOVING_FILE, // the same, removing fileRemovedOnInterruptExit() first
};
InterruptAnswer takeInterrupt(int signal);
const char* fileRemovedOnInterruptExit();
// The SIGINT or SIGTERM that interrupted the run, else 0; the first call that sees it logs it.
int interruptedBySignal();
// A second signal arrived (only an export outlives it: it stops at once and closes its file).
bool interruptedAgain();
// The file a further signal removes before it ends the process; empty: none (or no longer).
void removeFileOnInterruptExit(const std::string& path);
// signals_posix.cpp, os_win32.cpp: the receivers, installed once.
void installInterruptHandlers();
// Around a message box: its child process (if the window system forks one) dies with the
// program and ends when the program is interrupted.
void beginBoxChild();
void endBoxChild();

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
// A decoder of the archive's module that plays it once, or null (a module that is empty or does
// not decode is named in the log; no module at all is the caller's to say).
std::unique_ptr<openmpt::module> loadModule();
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
// The value below which `fraction` (0..1) of the values lie (0.5: the median); 0 for none.
double percentile(std::vector<double> values, double fraction);
// The live show: a frame was shown; at the shutdown the frame statistics are logged (once).
void frameShown();
void frameTimesReport();

// os_posix.cpp, os_win32.cpp: what differs by operating system, one file per system.
// Once, before SDL starts: installs the handlers that turn an interruption (SIGINT, SIGTERM; on
// Windows Ctrl+C, Ctrl+Break and the console closing) into interruptedBySignal, and tells SDL
// what it needs to know of the process.
void osPrepareSdl();
// Whether a window can be opened: a display server on Linux, always on Windows.
bool osHasDisplay();
// The folder that holds the running program, without a trailing separator.
std::string osExecutableDir();
// The log file when --log names none, its folder made; empty, with what is missing, where the
// system names no place for it.
std::string osDefaultLogPath(std::string& missing);
bool osStderrIsTerminal();
// The characters that end a folder's name in a path: "/" on Linux, "/" and "\\" on Windows.
const char* osPathSeparators();
// A written file's bytes on the disk (fsync; FlushFileBuffers); false with the reason otherwise.
bool osSyncFile(const std::string& path, std::string& reason);
// Gives `from` the name `to`, replacing a file of that name; false with the reason otherwise.
bool osReplaceFile(const std::string& from, const std::string& to, std::string& reason);

// Named after what they hold, for log lines.
const char* aspectName(int index);

} // namespace lumenvat
