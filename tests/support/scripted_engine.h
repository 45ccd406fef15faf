// scripted_engine.h - a stand-in for the engine library that plays a script: the clock advances
// by a fixed step per frame, keys and window messages arrive on chosen frames, and every call the
// system makes (volume, seeks, frames, log lines) is recorded. System code that needs only the
// loop's part of the engine links against this instead of lumenvat.
#pragma once

#include "engine_api.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace scripted {

struct Script {
    double startMs = 0;
    double stepMs = 1000.0 / 60.0;  // clock advance per frame
    float deltaSeconds = 1.0f / 60.0f;
    // Keys held on a frame (0-based count of rvkUpdateTimer calls so far).
    std::function<std::set<int>(int frame)> keys = [](int) { return std::set<int>(); };
    // Messages queued before a frame: kind per message.
    std::function<std::vector<unsigned>(int frame)> messages = [](int) { return std::vector<unsigned>(); };
    std::vector<float> spectrum = std::vector<float>(512, 0.0f);
};

struct Record {
    int frames = 0;          // rvkUpdateTimer calls
    int swaps = 0;
    int dispatched = 0;
    std::vector<float> volumes;
    std::vector<float> adjustments;
    std::vector<double> positions; // module position at each frame
    std::string log;
};

// Starts a new script; clears the record and the timeline.
void reset(const Script& script);
Record& record();
double positionMs();

} // namespace scripted
