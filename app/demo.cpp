// demo.cpp - the entry point's body: start-up, effect registration, main loop and shutdown.
//
// Start-up order matters and is fixed: the display choice (the setup dialog, where one is shown),
// the engine's window, the archive, the window's title and icon, texture parameters and upload,
// the GL entry points and render targets, the shader programs, the scene manager; then the
// effects are registered, the beat helpers made, the effects initialised, and the timer and music
// started. Everything from the display choice to the end of the loop is one protected region: a
// text exception thrown anywhere in it is reported as "Exception: %s" and leads straight to the
// shutdown; any other exception is reported as "Fatal: ..." and takes the same way out.
#include "app/demo.h"

#include "app/main_loop.h"
#include "app/setup_dialog.h"
#include "effects/blur_blob.h"
#include "effects/collada_test.h"
#include "effects/flock.h"
#include "effects/particle_blob.h"
#include "effects/particles.h"
#include "effects/pressure.h"
#include "effects/show_timeline.h"
#include "effects/skene1.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "resources/program_resources.h"
#include "scene/scene_manager.h"

#include <exception>

using namespace BRAVIK_LUMENVAT;

namespace {

// The setup dialog's choice. "Quit" or closing the dialog gives a choice that is not accepted.
// Where no dialog can be shown after all, the command line's choice stands.
DisplayChoice askDisplayChoice(const DisplayChoice& commandLine)
{
    EngineDisplayModes modes;
    SetupDialog dialog(modes);
    if (!dialog.run()) {
        rvkMsg("setup: the dialog cannot be shown; playing %dx%d windowed\n", commandLine.width, commandLine.height);
        return commandLine;
    }
    DisplayChoice choice;
    // "Play" pressed after an interrupt opens nothing.
    choice.accepted = dialog.accepted() && rvkInterruptSignal() == 0;
    if (!choice.accepted)
        return choice;
    choice.width = dialog.getWidth();
    choice.height = dialog.getHeight();
    choice.bitsPerPixel = dialog.getBitsPerPixel();
    choice.refreshRate = dialog.getRefreshRate();
    choice.fullscreen = dialog.getFullscreen();
    choice.alwaysOnTop = dialog.getAlwaysOnTop();
    choice.alwaysOnTop2 = dialog.getAlwaysOnTop2();
    choice.aspectIndex = dialog.getAspectRatio();
    return choice;
}

void registerEffects(const std::vector<EffectEntry>& effects)
{
    for (const EffectEntry& e : effects)
        rvkAddEffect(e.start, e.end, 0, e.name, e.create());
}

void startUp(const DisplayChoice& choice, const std::vector<EffectEntry>& effects)
{
    rvkInitEx(choice.width, choice.height, choice.bitsPerPixel, choice.fullscreen, true, choice.alwaysOnTop,
              choice.alwaysOnTop2, 8, choice.aspectIndex, "data.pak", choice.refreshRate);
    rvkReadPak("data.pak");
    rvkInitCubemaps();
    rvkSetWindowTitle("Sublumen");
    rvkSetWindowIcon(programIcon32.rgba, programIcon32.width, programIcon32.height);

    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_MAG_FILTER, 9729.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_MIN_FILTER, 9729.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_WRAP_S, 10496.0f);
    rvkSetTextureParameter("sphere_normals.png", GL_TEXTURE_WRAP_T, 10496.0f);
    rvkUploadTextures();

    renderTargetPool.init();
    ShaderManager::create();
    SceneManager::create();

    registerEffects(effects);
    beatMeter = new BeatMeter(8);
    beatClock = new BeatClock(35.0f, 0);
    rvkInitEffects();
    rvkInitTimer();
    rvkPlaySong(1);
}

EffectEntry row(const timeline::Span& span, Base* (*create)())
{
    return {static_cast<unsigned>(span.start), static_cast<unsigned>(span.end), span.name, create};
}

void shutDown()
{
    renderTargetPool.release();
    ShaderManager::release();
    SceneManager::release();
    rvkSetGamma(0);
    rvkShutDown();
}

} // namespace

const std::vector<EffectEntry>& productionEffects()
{
    static const std::vector<EffectEntry> table = {
        row(timeline::kWaterBlobs, [] { return static_cast<Base*>(new ParticleBlob); }),
        row(timeline::kColladaScene, [] { return static_cast<Base*>(new ColladaTest); }),
        row(timeline::kBlurParticles, [] { return static_cast<Base*>(new Particles); }),
        row(timeline::kPressure2, [] { return static_cast<Base*>(new Pressure2); }),
        row(timeline::kSkene1, [] { return static_cast<Base*>(new Skene1); }),
        row(timeline::kFlock, [] { return static_cast<Base*>(new Flock); }),
        row(timeline::kPressure, [] { return static_cast<Base*>(new Pressure); }),
        row(timeline::kParticleBlob, [] { return static_cast<Base*>(new BlurBlob); }),
    };
    return table;
}

int runDemo(const StartOptions& options, const std::vector<EffectEntry>& effects)
{
    clearColor = Vector(0, 0, 0);
    MainLoop loop;
    bool failed = false;
    try {
        DisplayChoice choice = options.showDialog ? askDisplayChoice(options.commandLine) : options.commandLine;
        if (!choice.accepted)
            loop.quit = true;
        else
            startUp(choice, effects);
        glEnable(GL_MULTISAMPLE);
        runMainLoop(loop);
    } catch (const char* text) {
        rvkMsg("Exception: %s\n", text);
        failed = true;
    } catch (char* text) {
        rvkMsg("Exception: %s\n", text);
        failed = true;
    } catch (const std::exception& e) {
        // Not the show's own kind of exception: a fault, reported plainly; the shutdown still
        // restores the display mode, the audio device and the window.
        rvkMsg("Fatal: %s\n", e.what());
        failed = true;
    } catch (...) {
        rvkMsg("Fatal: an exception of an unknown type\n");
        failed = true;
    }
    // An interruption outranks a failure, a failure outranks the loop's own status.
    int status = rvkExitStatus();
    if (status == 0)
        status = failed ? 1 : static_cast<int>(loop.message.wParam);
    shutDown();
    return status;
}
