// interrupts.cpp - what an interruption (SIGINT, SIGTERM; on Windows the console's Ctrl+C,
// Ctrl+Break and closing) means, the same on every system; signals_posix.cpp and os_win32.cpp
// receive them and carry out the answer.
//
// The first interruption is remembered: the loop gets it as its quit message, a modal loop (the
// setup dialog) polls for it, and it outranks every other exit status (130, 143). A second one
// ends the process at once, except while an export's file is open: then the export stops at
// once and still closes its file under its name, and only a third ends the process, removing
// the unfinished file first.
#include "lumenvat_local.h"

#include <atomic>
#include <cstring>

namespace lumenvat {

namespace {

// Written by the receivers only. The signal outlives shutdowns: the exit status depends on it.
// Lock-free atomics: a POSIX signal handler may touch nothing else, and two interruptions may
// be taken at once, on two threads.
std::atomic<int> interruptSignal{0};
std::atomic<int> interruptCount{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only use lock-free atomics");
bool interruptReported = false; // logged

// The file an interruption that ends the process removes first (an export's temporary file);
// the flag is raised only once the name is complete.
char fileRemovedOnExit[4096];
std::atomic<int> removesFileOnExit{0};

} // namespace

InterruptAnswer takeInterrupt(int signal)
{
    int earlier = interruptCount.fetch_add(1);
    if (earlier == 0) {
        interruptSignal = signal;
        return INTERRUPT_QUIT;
    }
    if (removesFileOnExit) {
        if (earlier == 1)
            return INTERRUPT_STOP_EXPORT;
        return INTERRUPT_EXIT_REMOVING_FILE;
    }
    return INTERRUPT_EXIT;
}

const char* fileRemovedOnInterruptExit()
{
    return fileRemovedOnExit;
}

int interruptedBySignal()
{
    int signal = interruptSignal.load();
    if (signal != 0 && !interruptReported) {
        interruptReported = true;
        rvkMsg("lumenvat: interrupted by signal %d\n", signal);
    }
    return signal;
}

bool interruptedAgain()
{
    return interruptCount.load() >= 2;
}

void removeFileOnInterruptExit(const std::string& path)
{
    removesFileOnExit = 0;
    if (path.empty() || path.size() >= sizeof fileRemovedOnExit)
        return;
    std::memcpy(fileRemovedOnExit, path.c_str(), path.size() + 1);
    removesFileOnExit = 1;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

int rvkInterruptSignal()
{
    return lumenvat::interruptSignal.load();
}

} // namespace BRAVIK_LUMENVAT
