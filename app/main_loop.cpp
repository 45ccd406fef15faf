// main_loop.cpp - the frame loop and the end fade.
#include "app/main_loop.h"

#include "render/helpers.h"

#include <GL/gl.h>

using namespace BRAVIK_LUMENVAT;

Vector clearColor(0, 0, 0);

bool endFade(float& countdown)
{
    glLoadIdentity();
    rvkPerspective2D(1, 1);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    float c = cosineStep(countdown, 0, kEndFadeSeconds);
    float a = c * c;
    glColor4f(clearColor.x, clearColor.y, clearColor.z, 1.0f - a);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glVertex2f(0, 1);
    glEnd();

    rvkPerspective3D();
    glLoadIdentity();
    rvkSetVolume(a);

    countdown -= rvkGetDeltaTime();
    glEnable(GL_TEXTURE_2D);
    return countdown <= 0;
}

namespace {

void startEndFade(MainLoop& loop)
{
    if (loop.countdown == 0)
        loop.countdown = kEndFadeSeconds;
}

void readSeekKeys(MainLoop& loop)
{
    if (!rvkGetKey(RVK_VK_F1))
        return;
    if (rvkGetKey(RVK_VK_LEFT)) {
        rvkSetVolume(0.0f);
        loop.direction = -1;
        rvkAdjustTime(static_cast<float>(loop.direction) * 1000.0f);
    } else if (rvkGetKey(RVK_VK_RIGHT)) {
        rvkSetVolume(0.0f);
        loop.direction = 1;
        rvkAdjustTime(1000.0f);
    } else if (loop.direction != 0) {
        rvkSetVolume(100.0f);
        loop.direction = 0;
    }
}

} // namespace

void reportGlErrors(MainLoop& loop, int positionMs)
{
    int span = -1;
    for (int i = 0; i < 8; ++i)
        if (timeline::spanHolds(timeline::kSpans[i], positionMs))
            span = i;
    // A bounded drain: a lost context may report an error on every call.
    for (int i = 0; i < 16; ++i) {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        if (loop.reportedGlErrors.insert({span, error}).second)
            rvkMsg("GL error 0x%04x in the frame at %d ms (%s); not logged again there\n", error, positionMs,
                   span >= 0 ? timeline::kSpans[span].name : "no effect");
    }
}

bool runLoopPass(MainLoop& loop)
{
    if (loop.quit)
        return false;
    if (rvkPeekMessage(&loop.message)) {
        // The quit message starts the fade and is never dispatched; no frame in this pass.
        if (loop.message.kind == RVK_MSG_QUIT)
            startEndFade(loop);
        else
            rvkDispatchMessage(&loop.message);
        return true;
    }

    rvkUpdateTimer();
    glClearColor(clearColor.x, clearColor.y, clearColor.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    rvkRun();

    if (rvkGetKey(RVK_VK_ESCAPE))
        startEndFade(loop);
    readSeekKeys(loop);
    if (loop.countdown > 0)
        loop.quit = endFade(loop.countdown);
    reportGlErrors(loop, rvkGetModulePosition());
    if (rvkGetModulePosition() > timeline::kShowEndMs)
        loop.quit = true;
    rvkSwapBuffers(rvkGetHDC());
    if (rvkCaptureFinished())
        loop.quit = true;
    return !loop.quit;
}

void runMainLoop(MainLoop& loop)
{
    while (runLoopPass(loop)) {
    }
}
