// progress.cpp - how far a capture or an export has come, on stderr: frames done of total, frames
// per second, time elapsed and time left. On a terminal one line is redrawn in place (at most four
// times a second); otherwise, in a log or a pipe, a whole line every few seconds and one at the
// end, so the log stays readable. The clock starts when the first frame is done: start-up is not
// part of the rate.
// The live show's frame times are kept too (from one shown frame to the next) and logged at the
// shutdown: frames drawn, their median and 95th-percentile time and the rate, so that a user can
// tell how well the machine keeps up.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace lumenvat {

namespace {

constexpr double kTerminalRedrawSeconds = 0.25;
constexpr double kLineEverySeconds = 5.0;

// The progress module's state, reset as a whole for each run.
struct ProgressState {
    Uint64 firstFrameCounter = 0;
    double lastShownSeconds = -1;
    bool lineOpen = false; // a line drawn in place, not yet ended
};

ProgressState progress;

// The live show's frames: the counter at the last one shown, and each frame's time in ms.
struct FrameTimes {
    Uint64 lastShown = 0;
    std::vector<double> ms;
};

FrameTimes frameTimes;

double secondsSince(Uint64 then)
{
    return static_cast<double>(SDL_GetPerformanceCounter() - then) / static_cast<double>(SDL_GetPerformanceFrequency());
}

std::string clockText(double seconds)
{
    long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

void frameShown()
{
    Uint64 now = SDL_GetPerformanceCounter();
    if (frameTimes.lastShown)
        frameTimes.ms.push_back(static_cast<double>(now - frameTimes.lastShown) * 1000.0 /
                                static_cast<double>(SDL_GetPerformanceFrequency()));
    frameTimes.lastShown = now;
}

void frameTimesReport()
{
    const std::vector<double>& ms = frameTimes.ms;
    if (!ms.empty()) {
        double total = 0;
        for (double t : ms)
            total += t;
        rvkMsg("lumenvat: %zu frames drawn in %.1f s, %.1f fps; frame time median %.1f ms, 95th percentile %.1f ms\n",
               ms.size() + 1, total / 1000.0, total > 0 ? 1000.0 * static_cast<double>(ms.size()) / total : 0.0,
               percentile(ms, 0.5), percentile(ms, 0.95));
    }
    frameTimes = FrameTimes();
}

void progressReset()
{
    progress = ProgressState();
}

void progressBreakLine()
{
    if (progress.lineOpen)
        std::fputc('\n', stderr);
    progress.lineOpen = false;
}

void progressReport(const char* what, int done, int total)
{
    if (done == 1 || !progress.firstFrameCounter)
        progress.firstFrameCounter = SDL_GetPerformanceCounter();
    double elapsed = secondsSince(progress.firstFrameCounter);
    bool terminal = osStderrIsTerminal();
    bool last = done >= total;
    double interval = terminal ? kTerminalRedrawSeconds : kLineEverySeconds;
    if (!last && done != 1 && progress.lastShownSeconds >= 0 && elapsed - progress.lastShownSeconds < interval)
        return;
    progress.lastShownSeconds = elapsed;

    char rate[64] = "-- fps", left[64] = "--:-- left";
    if (done > 1 && elapsed > 0) {
        double fps = (done - 1) / elapsed;
        std::snprintf(rate, sizeof rate, "%.2f fps", fps);
        std::snprintf(left, sizeof left, "%s left", clockText((total - done) / fps).c_str());
    }
    char line[256];
    std::snprintf(line, sizeof line, "%s: frame %d of %d (%d%%), %s, %s elapsed, %s", what, done, total,
                  total > 0 ? static_cast<int>(100.0 * done / total) : 100, rate, clockText(elapsed).c_str(), left);
    if (terminal) {
        std::fprintf(stderr, "\r%s\033[K", line);
        progress.lineOpen = true;
        if (last)
            progressBreakLine();
    } else {
        std::fprintf(stderr, "%s\n", line);
    }
    std::fflush(stderr);
}

} // namespace lumenvat
