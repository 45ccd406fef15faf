// scripted_engine.cpp - the scripted stand-in's implementation of the loop's engine calls.
#include "scripted_engine.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

using namespace BRAVIK_LUMENVAT;

namespace scripted {

namespace {

Script current;
Record recorded;
double position = 0;
int messageFrame = -1;
std::vector<unsigned> pending;

struct Entry {
    unsigned start, end;
    Base* effect;
};
std::vector<Entry> timeline;

} // namespace

void reset(const Script& script)
{
    current = script;
    recorded = Record();
    position = script.startMs;
    messageFrame = -1;
    pending.clear();
    timeline.clear();
}

Record& record()
{
    return recorded;
}

double positionMs()
{
    return position;
}

} // namespace scripted

namespace BRAVIK_LUMENVAT {

using namespace scripted;

bool rvkPeekMessage(RvkMessage* message)
{
    if (messageFrame != recorded.frames) {
        messageFrame = recorded.frames;
        pending = current.messages(recorded.frames);
    }
    if (pending.empty())
        return false;
    message->kind = pending.front();
    message->wParam = 0;
    pending.erase(pending.begin());
    return true;
}

void rvkDispatchMessage(const RvkMessage*)
{
    ++recorded.dispatched;
}

void rvkUpdateTimer()
{
    if (recorded.frames > 0)
        position += current.stepMs;
    ++recorded.frames;
    recorded.positions.push_back(position);
}

void rvkAddEffect(unsigned start, unsigned end, int, const char*, Base* effect)
{
    timeline.push_back({start, end, effect});
}

bool rvkInitEffects()
{
    for (auto& e : timeline)
        e.effect->init(e.start, e.end);
    return true;
}

void rvkRun()
{
    for (auto& e : timeline) {
        if (position >= e.start && position < e.end) {
            e.effect->time = static_cast<float>(position);
            e.effect->draw();
        }
    }
}

bool rvkGetKey(int virtualKey)
{
    return current.keys(recorded.frames - 1).count(virtualKey) > 0;
}

void rvkSetVolume(float volume)
{
    recorded.volumes.push_back(volume);
}

void rvkAdjustTime(float ms)
{
    recorded.adjustments.push_back(ms);
    position = std::max(0.0, position + ms);
}

int rvkGetModulePosition()
{
    return static_cast<int>(std::floor(position));
}

float rvkGetDeltaTime()
{
    return current.deltaSeconds;
}

void rvkGetSpectrum(float* out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = i < static_cast<int>(current.spectrum.size()) ? current.spectrum[static_cast<size_t>(i)] : 0.0f;
}

void rvkSwapBuffers(void*)
{
    ++recorded.swaps;
}

void* rvkGetHDC()
{
    return nullptr;
}

bool rvkCaptureFinished()
{
    return false;
}

Texture* rvkGetTexture(const char*)
{
    return nullptr;
}

void rvkPerspective2D(float, float) {}
void rvkPerspective3D() {}

void rvkMsg(const char* format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    recorded.log += text;
}

Base::~Base() = default;

bool Base::init(unsigned long s, unsigned long e)
{
    start = static_cast<unsigned>(s);
    end = static_cast<unsigned>(e);
    return true;
}

void Base::update(float now)
{
    time = now;
}

void Base::release() {}

} // namespace BRAVIK_LUMENVAT
