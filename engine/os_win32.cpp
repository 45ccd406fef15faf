// os_win32.cpp - what the engine asks of Windows: the console's interruptions (Ctrl+C as SIGINT,
// Ctrl+Break and the console closing as SIGTERM), the program's folder, the log's folder
// (%LOCALAPPDATA%\Sublumen\), whether stderr is a console, and the file operations the export
// needs. os_posix.cpp and signals_posix.cpp answer the same for Linux.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>

#include <csignal>
#include <cstdlib>
#include <io.h>
#include <string>
#include <windows.h>

namespace lumenvat {

namespace {

// Runs on a thread of its own that the console starts for each event; interrupts.cpp says what
// the event means. Windows keeps a file open in the encoder from being removed, so the third
// interruption of an export leaves its unfinished file behind.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    switch (takeInterrupt(signal)) {
    case INTERRUPT_QUIT:
        // Closing the console ends the process when this returns: give the loop the moment it
        // needs to finish the frame in hand (and an export to close its file).
        if (event == CTRL_CLOSE_EVENT)
            Sleep(2000);
        return TRUE;
    case INTERRUPT_STOP_EXPORT:
        return TRUE;
    case INTERRUPT_EXIT_REMOVING_FILE:
        DeleteFileA(fileRemovedOnInterruptExit());
        ExitProcess(128 + signal);
    case INTERRUPT_EXIT:
        break;
    }
    ExitProcess(128 + signal);
}

std::string systemErrorText(DWORD code)
{
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.' || text[n - 1] == ' '))
        text[--n] = '\0';
    return n > 0 ? std::string(text, n) : "Windows error " + std::to_string(code);
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

// The message boxes are the program's own windows on Windows: no child process shows a box.
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

const char* osPathSeparators()
{
    return "/\\";
}

bool osSyncFile(const std::string& path, std::string& reason)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
    if (!ok)
        reason = systemErrorText(GetLastError());
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok;
}

bool osReplaceFile(const std::string& from, const std::string& to, std::string& reason)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = systemErrorText(GetLastError());
    return false;
}

} // namespace lumenvat
