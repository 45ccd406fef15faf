// demo.cpp - the entry point's body: start-up, effect registration, main loop and shutdown.
//
// Start-up order matters and is fixed: the display choice, the engine's window, the archive, the
// window's title, texture parameters and upload, the GL entry points and render targets, the
// shader programs, then the effects are registered, the beat helpers made, the effects
// initialised, and the timer and music started. Everything from the display choice to the end of
// the loop is one protected region: a text exception thrown anywhere in it is reported as
// "Exception: %s" and leads straight to the shutdown.
#include "app/demo.h"

#include "app/main_loop.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

using namespace BRAVIK_LUMENVAT;

namespace {

// The timeline: registered in this order, spans joining end to end.
void registerEffects() {}

void startUp(const DisplayChoice& choice)
{
    rvkInitEx(choice.width, choice.height, choice.bitsPerPixel, choice.fullscreen, true, choice.alwaysOnTop,
              choice.alwaysOnTop2, 8, choice.aspectIndex, "data.pak", choice.refreshRate);
    rvkReadPak("data.pak");
    rvkInitCubemaps();
    rvkSetWindowTitle("Sublumen");

    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_MAG_FILTER, 9729.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_MIN_FILTER, 9729.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_WRAP_S, 10496.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_WRAP_T, 10496.0f);
    rvkUploadTextures();

    renderTargetPool.init();
    ShaderManager::create();

    registerEffects();
    beatMeter = new BeatMeter(8);
    beatClock = new BeatClock(35.0f, 0);
    rvkInitEffects();
    rvkInitTimer();
    rvkPlaySong(1);
}

void shutDown()
{
    renderTargetPool.release();
    ShaderManager::release();
    rvkSetGamma(0);
    rvkShutDown();
}

} // namespace

int runDemo(const StartOptions& options)
{
    clearColor = Vector(0, 0, 0);
    MainLoop loop;
    try {
        DisplayChoice choice = options.commandLine;
        if (!choice.accepted)
            loop.quit = true;
        else
            startUp(choice);
        glEnable(GL_MULTISAMPLE);
        runMainLoop(loop);
    } catch (const char* text) {
        rvkMsg("Exception: %s\n", text);
    } catch (char* text) {
        rvkMsg("Exception: %s\n", text);
    }
    shutDown();
    return static_cast<int>(loop.message.wParam);
}
