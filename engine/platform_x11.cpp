// platform_x11.cpp - what SDL leaves to Xlib on X11: errors about the show's own window.
//
// Another client may destroy the window (xdotool windowclose, a crashed window manager); every
// later request on it then fails with BadWindow or BadDrawable (GLXBadDrawable for the buffer
// swap), and Xlib's default error handler
// would end the process at once, status 1, without the shutdown. Errors about our window are
// taken as the window's end instead, which the loop treats like a closed window; any other error
// goes to the handler that was there before.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <GL/glx.h>

namespace lumenvat {

namespace {

// GLX's error numbers, from its error base (as the GLX protocol header numbers them).
constexpr int kGlxBadDrawable = 2;
constexpr int kGlxBadWindow = 12;

// The state of the watch: set when the window is made, the flag by the error handler.
struct X11Watch {
    int (*previousHandler)(Display*, XErrorEvent*) = nullptr;
    Display* display = nullptr;
    unsigned long window = 0;
    int glxErrorBase = -1; // GLX's error codes are numbered from here; -1 without GLX
    bool windowLost = false;
};

X11Watch watch;

int onXError(Display* display, XErrorEvent* error)
{
    bool ours = watch.window != 0 && error->resourceid == watch.window;
    int code = error->error_code;
    bool gone = code == BadWindow || code == BadDrawable ||
                (watch.glxErrorBase >= 0 && (code == watch.glxErrorBase + kGlxBadDrawable ||
                                             code == watch.glxErrorBase + kGlxBadWindow));
    if (ours && gone) {
        watch.windowLost = true;
        return 0;
    }
    return watch.previousHandler ? watch.previousHandler(display, error) : 0;
}

} // namespace

void watchWindowErrors(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    watch.display = info.info.x11.display;
    watch.window = info.info.x11.window;
    watch.windowLost = false;
    int eventBase = 0;
    if (!glXQueryExtension(info.info.x11.display, &watch.glxErrorBase, &eventBase))
        watch.glxErrorBase = -1;
    if (!watch.previousHandler)
        watch.previousHandler = XSetErrorHandler(onXError);
}

bool windowLostToTheServer()
{
    return watch.windowLost;
}

void unwatchWindowErrors()
{
    // The errors of the window's last requests (destroying a window that is already gone) come
    // back asynchronously: take them here, while this handler is still the one in force, before
    // SDL closes the display and puts back the handler that was there before it.
    if (watch.display && watch.window != 0)
        XSync(watch.display, False);
    watch.display = nullptr;
    watch.window = 0;
    watch.windowLost = false;
}

} // namespace lumenvat
