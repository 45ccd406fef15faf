// os_posix.cpp - what the engine asks of a POSIX system (Linux): SDL's start (the interruption
// signals are signals_posix.cpp's), the display server, the program's folder (/proc/self/exe), the log's folder (XDG state) and whether
// stderr is a terminal. os_win32.cpp answers the same for Windows.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace lumenvat {

// Our own handlers instead of SDL's, so that an interruption is told apart from a closed window.
void osPrepareSdl()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    installInterruptHandlers();
}

bool osHasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

std::string osExecutableDir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return ".";
    path[n] = '\0';
    std::string full(path);
    size_t slash = full.find_last_of('/');
    return slash == std::string::npos ? "." : full.substr(0, slash);
}

std::string osDefaultLogPath(std::string& missing)
{
    std::string dir;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        dir = std::string(state) + "/sublumen";
    else if (const char* home = std::getenv("HOME"); home && *home)
        dir = std::string(home) + "/.local/state/sublumen";
    else {
        missing = "neither XDG_STATE_HOME nor HOME is set";
        return "";
    }
    for (size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1))
        mkdir(dir.substr(0, slash).c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    return dir + "/sublumen.log";
}

bool osStderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

const char* osPathSeparators()
{
    return "/";
}

bool osSyncFile(const std::string& path, std::string& reason)
{
    int fd = open(path.c_str(), O_RDONLY);
    bool ok = fd >= 0 && fsync(fd) == 0;
    if (!ok)
        reason = std::strerror(errno);
    if (fd >= 0)
        close(fd);
    return ok;
}

bool osReplaceFile(const std::string& from, const std::string& to, std::string& reason)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    reason = std::strerror(errno);
    return false;
}

} // namespace lumenvat
