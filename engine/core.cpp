// core.cpp - the engine's options, the effect base class and the end of the process.
#include "lumenvat_local.h"

#include <cstdlib>

namespace lumenvat {

Options& options()
{
    static Options current;
    return current;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkSetOptions(const RvkOptions* given)
{
    Options& o = options();
    o = Options();
    captureReset();
    if (!given)
        return;
    o.dataPath = given->dataPath ? given->dataPath : "";
    o.overlayDir = given->overlayDir ? given->overlayDir : "";
    o.logPath = given->logPath ? given->logPath : "";
    o.noAudio = given->noAudio;
    o.boxesToLogOnly = given->boxesToLogOnly;
    o.startMs = given->startMs;
    o.capture = given->captureDir != nullptr || given->exportPath != nullptr;
    o.captureDir = given->captureDir ? given->captureDir : "";
    o.exportPath = given->exportPath && !given->captureDir ? given->exportPath : "";
    o.exportCrf = given->exportCrf;
    o.headless = given->headless;
    o.captureFromMs = given->captureFromMs;
    o.captureToMs = given->captureToMs;
    o.captureFps = given->captureFps > 0 ? given->captureFps : 60;
}

void rvkShutDown()
{
    int position = rvkGetModulePosition();
    // An export the run did not finish (the show ended first, a failure, a second interrupt):
    // what was encoded is closed into a playable file; rvkExitStatus has already said that it is
    // short.
    if (exportActive()) {
        std::string reason;
        if (!exportFinish(interruptedBySignal() != 0, reason))
            rvkMsg("lumenvat: cannot write %s (%s); nothing kept\n", options().exportPath.c_str(), reason.c_str());
    }
    frameTimesReport();
    musicShutDown();
    timelineShutDown();
    texturesShutDown();
    viewShutDown();
    archiveShutDown();
    platformShutDown();
    rvkMsg("lumenvat: shut down at %d ms\n", position);
    closeLog();
}

void rvkExitProcess(int code)
{
    // An interruption outranks the failure that ends the process (a box the signal closed).
    if (interruptedBySignal() != 0)
        code = 130;
    exportAbandon();
    musicShutDown();
    platformShutDown();
    closeLog();
#if defined(SUBLUMEN_FUZZING)
    // The fuzzing harnesses live on in-process: the end of the process becomes an exception
    // they catch.
    throw ProcessExit{code};
#else
    std::exit(code);
#endif
}

Base::~Base() = default;

bool Base::init(unsigned long startMs, unsigned long endMs)
{
    start = static_cast<unsigned>(startMs);
    end = static_cast<unsigned>(endMs);
    return true;
}

void Base::update(float now)
{
    time = now;
}

void Base::release() {}

} // namespace BRAVIK_LUMENVAT
