// os_win32.cpp - what the engine asks of Windows: the console's interruptions (Ctrl+C as SIGINT,
// Ctrl+Break and the console closing as SIGTERM), the program's folder, the log's folder
// (%LOCALAPPDATA%\Sublumen\) and whether stderr is a console. os_posix.cpp answers the same for
// Linux.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>

#include <csignal>
#include <cstdlib>
#include <io.h>
#include <string>
#include <windows.h>

namespace lumenvat {

namespace {

// The interruption once one arrived, as a signal number, else 0. Outlives shutdowns: the
// process's exit status depends on it. A second interruption ends the process at once.
volatile LONG interruptSignal = 0;
bool interruptReported = false; // logged

// Runs on a thread of its own that the console starts for each event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    if (InterlockedCompareExchange(&interruptSignal, signal, 0) != 0)
        ExitProcess(128 + signal);
    // Closing the console ends the process when this returns: give the loop the moment it
    // needs to finish the frame in hand.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(2000);
    return TRUE;
}

} // namespace

void installInterruptHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

int interruptedBySignal()
{
    int signal = static_cast<int>(interruptSignal);
    if (signal != 0 && !interruptReported) {
        interruptReported = true;
        rvkMsg("lumenvat: interrupted by signal %d\n", signal);
    }
    return signal;
}

// The Windows build has no export, and its message boxes are the program's own windows: no file
// outlives an interruption and no child process shows a box.
bool interruptedAgain()
{
    return false;
}

void removeFileOnInterruptExit(const std::string&) {}
void beginBoxChild() {}
void endBoxChild() {}

// Another client destroying the window is an X11 matter; on Windows the window's own messages
// tell the loop.
void watchWindowErrors(SDL_Window*) {}
bool windowLostToTheServer()
{
    return false;
}
void unwatchWindowErrors() {}

// Our own handler instead of SDL's, so that an interruption is told apart from a closed window.
// The program's main() is its own, not SDL's: SDL is told that it has run.
void osPrepareSdl()
{
    SDL_SetMainReady();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    installInterruptHandlers();
}

bool osHasDisplay()
{
    return true;
}

std::string osExecutableDir()
{
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return ".";
    std::string full(path, n);
    size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? "." : full.substr(0, slash);
}

std::string osDefaultLogPath(std::string& missing)
{
    const char* local = std::getenv("LOCALAPPDATA");
    if (!local || !*local) {
        missing = "LOCALAPPDATA is not set";
        return "";
    }
    std::string dir = std::string(local) + "\\Sublumen";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\sublumen.log";
}

bool osStderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

int rvkInterruptSignal()
{
    return static_cast<int>(lumenvat::interruptSignal);
}

} // namespace BRAVIK_LUMENVAT
