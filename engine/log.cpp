// log.cpp - the engine's log: rvkMsg lines go to stderr and to a log file, and message boxes are
// logged before they are shown.
//
// The log file is the --log path, else the system's own place for it (osDefaultLogPath): on Linux
// $XDG_STATE_HOME/sublumen/sublumen.log (by default ~/.local/state/sublumen/sublumen.log), on
// Windows %LOCALAPPDATA%\Sublumen\sublumen.log. It is rewritten on every run; a file that cannot be
// opened only loses the file copy, never the stderr copy. Where the system names no place for it
// there is no log file (rather than one dropped in whatever folder the program runs in), and
// stderr says so.
#include "lumenvat_local.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumenvat {

namespace {

// The log module's state, reset as a whole when the log closes.
struct LogState {
    FILE* logFile = nullptr;
    bool logOpened = false;
};

LogState logState;

std::string formatText(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0)
        return format;
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

} // namespace

void openLog()
{
    if (logState.logOpened)
        return;
    logState.logOpened = true;
    std::string missing;
    std::string path = options().logPath.empty() ? osDefaultLogPath(missing) : options().logPath;
    if (path.empty()) {
        std::fprintf(stderr, "lumenvat: %s; logging to stderr only (--log FILE keeps a file)\n", missing.c_str());
        return;
    }
    logState.logFile = std::fopen(path.c_str(), "w");
    if (!logState.logFile)
        std::fprintf(stderr, "lumenvat: cannot write the log file %s; logging to stderr only\n", path.c_str());
}

void closeLog()
{
    if (logState.logFile)
        std::fclose(logState.logFile);
    logState = LogState();
}

void logLine(const char* text)
{
    openLog();
    progressBreakLine();
    std::fputs(text, stderr);
    if (logState.logFile) {
        std::fputs(text, logState.logFile);
        std::fflush(logState.logFile);
    }
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkMsg(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatText(format, args);
    va_end(args);
    logLine(text.c_str());
}

void rvkMsgBox(const char* title, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatText(format, args);
    va_end(args);
    rvkMessageBox(rvkGetHWND(), text.c_str(), title, RVK_MB_ICONEXCLAMATION | RVK_MB_TOPMOST);
}

int rvkMessageBox(void* owner, const char* text, const char* caption, unsigned style)
{
    std::string line = std::string("[box] ") + (caption ? caption : "") + ": " + (text ? text : "");
    if (line.empty() || line.back() != '\n')
        line += '\n';
    logLine(line.c_str());
    platformShowBox(caption ? caption : "", text ? text : "", style);
    return 1;
}

} // namespace BRAVIK_LUMENVAT
