// timeline.cpp - the effect timeline: effects registered with their spans, initialised once,
// and drawn every frame while the module position lies inside their span [start, end).
#include "lumenvat_local.h"

#include <SDL2/SDL.h>

namespace lumenvat {

namespace {

struct Entry {
    unsigned start;
    unsigned end;
    int layer;
    std::string name;
    Base* effect;
};

// The timeline module's state, reset as a whole at shutdown.
struct TimelineState {
    std::vector<Entry> entries;
};

TimelineState timeline;

} // namespace

// The engine never owned the effects; it only forgets them.
void timelineShutDown()
{
    timeline = TimelineState();
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

void rvkAddEffect(unsigned start, unsigned end, int layer, const char* name, Base* effect)
{
    if (!effect) {
        rvkMsg("lumenvat: effect %s was not created; it is left out\n", name ? name : "(unnamed)");
        return;
    }
    timeline.entries.push_back({start, end, layer, name ? name : "", effect});
}

bool rvkInitEffects()
{
    bool all = true;
    for (Entry& e : timeline.entries) {
        rvkMsg("lumenvat: initialising %s (%u - %u ms)\n", e.name.c_str(), e.start, e.end);
        Uint64 begun = SDL_GetPerformanceCounter();
        bool ok = e.effect->init(e.start, e.end);
        double ms = static_cast<double>(SDL_GetPerformanceCounter() - begun) * 1000.0 /
                    static_cast<double>(SDL_GetPerformanceFrequency());
        rvkMsg("lumenvat: %s %s in %.0f ms\n", e.name.c_str(), ok ? "initialised" : "did not initialise", ms);
        all = all && ok;
    }
    return all;
}

void rvkRun()
{
    double position = clockPositionMs();
    for (Entry& e : timeline.entries) {
        if (position >= e.start && position < e.end) {
            e.effect->time = static_cast<float>(position);
            e.effect->draw();
        }
    }
}

} // namespace BRAVIK_LUMENVAT
