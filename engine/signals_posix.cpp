// signals_posix.cpp - interrupts (SIGINT, SIGTERM) and the child process of an error box, on
// POSIX systems.
//
// The first signal is remembered: the loop gets it as its quit message, a modal loop (the setup
// dialog) polls for it, and it outranks every other exit status (130). A second signal ends the
// process at once, except while an export's file is open: then the export stops at once and
// still closes its file under its name, and only a third signal ends the process, removing the
// unfinished file first. On X11, SDL shows a message box from a child process it forks: that
// child takes interrupts as the default action, dies with the program, and is ended when the
// program is interrupted, so that a box never outlives or holds up an interrupted program.
#include "lumenvat_local.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace lumenvat {

namespace {

// Written by the handler only. The signal outlives shutdowns: the exit status depends on it.
// Atomic (and lock-free): two signals may be handled at once, on two threads.
std::atomic<int> interruptSignal{0};
std::atomic<int> interruptCount{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only use lock-free atomics");
bool interruptReported = false; // logged

// The file a signal that ends the process removes first (an export's temporary file); the flag
// is raised only once the name is complete.
char fileRemovedOnExit[4096];
volatile std::sig_atomic_t removesFileOnExit = 0;

// While a box is shown: its child's process id, which the child writes into a page shared with
// this process (0 until then).
volatile std::sig_atomic_t showingBox = 0;
pid_t* boxChild = nullptr;
pid_t boxParent = 0;

extern "C" void onInterrupt(int signal)
{
    int earlier = interruptCount.fetch_add(1);
    if (earlier == 0) {
        interruptSignal = signal;
        if (showingBox && boxChild && *boxChild > 0)
            kill(*boxChild, SIGTERM);
        return;
    }
    if (removesFileOnExit) {
        if (earlier == 1)
            return;
        unlink(fileRemovedOnExit);
    }
    _exit(128 + signal);
}

// Runs in the child of every fork while a box is shown (SDL's fork for the box's window).
extern "C" void onForkedForBox()
{
    if (!showingBox)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != boxParent)
        _exit(1); // the program ended before the line above took effect
    *boxChild = getpid();
}

} // namespace

void installInterruptHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    pthread_atfork(nullptr, nullptr, onForkedForBox);
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

void beginBoxChild()
{
    if (!boxChild) {
        void* page = mmap(nullptr, sizeof(pid_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (page == MAP_FAILED)
            return;
        boxChild = static_cast<pid_t*>(page);
    }
    *boxChild = 0;
    boxParent = getpid();
    showingBox = 1;
}

void endBoxChild()
{
    showingBox = 0;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

int rvkInterruptSignal()
{
    return lumenvat::interruptSignal.load();
}

} // namespace BRAVIK_LUMENVAT
