// signals_posix.cpp - interrupts (SIGINT, SIGTERM) and the child process of an error box, on
// POSIX systems. What each signal means is interrupts.cpp's answer; this file carries it out.
// On X11, SDL shows a message box from a child process it forks: that child takes interrupts as
// the default action, dies with the program, and is ended when the program is interrupted, so
// that a box never outlives or holds up an interrupted program.
#include "lumenvat_local.h"

#include <csignal>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace lumenvat {

namespace {

// While a box is shown: its child's process id, which the child writes into a page shared with
// this process (0 until then).
volatile std::sig_atomic_t showingBox = 0;
pid_t* boxChild = nullptr;
pid_t boxParent = 0;

extern "C" void onInterrupt(int signal)
{
    switch (takeInterrupt(signal)) {
    case INTERRUPT_QUIT:
        if (showingBox && boxChild && *boxChild > 0)
            kill(*boxChild, SIGTERM);
        return;
    case INTERRUPT_STOP_EXPORT:
        return;
    case INTERRUPT_EXIT_REMOVING_FILE:
        unlink(fileRemovedOnInterruptExit());
        _exit(128 + signal);
    case INTERRUPT_EXIT:
        _exit(128 + signal);
    }
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
