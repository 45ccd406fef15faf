// platform_sdl.cpp - the engine's window-system backend on SDL2: the window and its GL
// compatibility context, the letterboxed picture, events as the loop's messages, keys by Win32
// virtual-key code, display modes, message boxes, GL entry points and the buffer swap.
//
// In capture mode the window is an ordinary window of the capture size (under Xvfb nobody sees
// it); boxes are only logged, keys read as released, and every swap first writes the frame.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

namespace lumenvat {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
int aspect = 2;
PictureRect picture;
SDL_Event lastEvent;
float gammaSet = 0;

const float kAspectRatios[3] = {4.0f / 3.0f, 16.0f / 10.0f, 16.0f / 9.0f};

void updatePicture()
{
    int w = 1, h = 1;
    SDL_GL_GetDrawableSize(window, &w, &h);
    w = w > 0 ? w : 1;
    h = h > 0 ? h : 1;
    float ratio = kAspectRatios[aspect];
    PictureRect r;
    if (static_cast<float>(w) / static_cast<float>(h) > ratio) {
        r.height = h;
        r.width = static_cast<int>(std::lround(h * ratio));
        r.x = (w - r.width) / 2;
    } else {
        r.width = w;
        r.height = static_cast<int>(std::lround(w / ratio));
        r.y = (h - r.height) / 2;
    }
    r.width = r.width > 0 ? r.width : 1;
    r.height = r.height > 0 ? r.height : 1;
    picture = r;
}

SDL_Scancode scancodeOf(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (vk - 'A'));
    if (vk >= '1' && vk <= '9')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (vk - '1'));
    if (vk == '0')
        return SDL_SCANCODE_0;
    if (vk >= 112 && vk <= 123)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (vk - 112));
    switch (vk) {
    case 8: return SDL_SCANCODE_BACKSPACE;
    case 9: return SDL_SCANCODE_TAB;
    case 13: return SDL_SCANCODE_RETURN;
    case 27: return SDL_SCANCODE_ESCAPE;
    case 32: return SDL_SCANCODE_SPACE;
    case 33: return SDL_SCANCODE_PAGEUP;
    case 34: return SDL_SCANCODE_PAGEDOWN;
    case 35: return SDL_SCANCODE_END;
    case 36: return SDL_SCANCODE_HOME;
    case 37: return SDL_SCANCODE_LEFT;
    case 38: return SDL_SCANCODE_UP;
    case 39: return SDL_SCANCODE_RIGHT;
    case 40: return SDL_SCANCODE_DOWN;
    case 45: return SDL_SCANCODE_INSERT;
    case 46: return SDL_SCANCODE_DELETE;
    default: return SDL_SCANCODE_UNKNOWN;
    }
}

[[noreturn]] void failStart(const char* what)
{
    rvkMsg("lumenvat: %s: %s\n", what, SDL_GetError());
    rvkMessageBox(nullptr, "The demo's window could not be opened. See the log for details.", "Sublumen",
                  RVK_MB_ICONHAND | RVK_MB_TOPMOST);
    rvkExitProcess(1);
}

} // namespace

void initSdlSubsystem(uint32_t flags)
{
    if (SDL_WasInit(flags) == flags)
        return;
    if (SDL_InitSubSystem(flags) != 0)
        rvkMsg("lumenvat: SDL could not start (%s)\n", SDL_GetError());
}

bool platformHasWindow()
{
    return window != nullptr;
}

PictureRect pictureRect()
{
    return picture;
}

int windowPixelWidth()
{
    int w = 0, h = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, &w, &h);
    return w;
}

int windowPixelHeight()
{
    int w = 0, h = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, &w, &h);
    return h;
}

void platformShowBox(const char* caption, const char* text, unsigned style)
{
    if (options().capture || options().boxesToLogOnly || !rvkHasDisplay())
        return;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((style & 0xF0) == RVK_MB_ICONHAND)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((style & 0xF0) == RVK_MB_ICONEXCLAMATION)
        flags = SDL_MESSAGEBOX_WARNING;
    if (window)
        SDL_SetWindowFullscreen(window, 0);
    SDL_ShowSimpleMessageBox(flags, caption, text, window);
}

void platformShutDown()
{
    if (gammaSet != 0 && window)
        SDL_SetWindowBrightness(window, 1.0f);
    gammaSet = 0;
    if (context)
        SDL_GL_DeleteContext(context);
    if (window)
        SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
    if (SDL_WasInit(0))
        SDL_Quit();
}

const char* aspectName(int index)
{
    static const char* names[3] = {"4:3", "16:10", "16:9"};
    return index >= 0 && index < 3 ? names[index] : "?";
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

using namespace lumenvat;

bool rvkHasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

bool rvkInitEx(int width, int height, int bitsPerPixel, bool fullscreen, bool repeatedFlag, bool alwaysOnTop,
               bool alwaysOnTop2, int eight, int aspectIndex, const char* pakName, int refreshRate)
{
    openLog();
    if (window)
        return true;
    bool capture = options().capture;
    if (capture)
        fullscreen = false;
    aspect = aspectIndex >= 0 && aspectIndex <= 2 ? aspectIndex : 2;
    width = width >= 16 ? width : 640;
    height = height >= 16 ? height : 360;

    initSdlSubsystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        failStart("no video device");

    // A compatibility context: the production draws with fixed-function GL and GLSL 1.10/1.20.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, eight > 0 ? 8 : 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    else if (!capture)
        flags |= SDL_WINDOW_RESIZABLE;
    if ((alwaysOnTop || alwaysOnTop2) && !fullscreen && !capture)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;

    window = SDL_CreateWindow("Sublumen", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!window)
        failStart("cannot open the window");
    if (fullscreen) {
        SDL_DisplayMode wanted = {SDL_PIXELFORMAT_UNKNOWN, width, height, refreshRate, nullptr};
        SDL_DisplayMode closest;
        if (SDL_GetClosestDisplayMode(0, &wanted, &closest))
            SDL_SetWindowDisplayMode(window, &closest);
        SDL_ShowCursor(SDL_DISABLE);
    }
    context = SDL_GL_CreateContext(window);
    if (!context)
        failStart("cannot create an OpenGL context");
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(capture ? 0 : 1);

    updatePicture();
    glViewport(picture.x, picture.y, picture.width, picture.height);
    rvkMsg("lumenvat: %s window %dx%d, picture %dx%d (%s)%s\n", fullscreen ? "fullscreen" : "windowed",
           windowPixelWidth(), windowPixelHeight(), picture.width, picture.height, aspectName(aspect),
           capture ? ", capture" : "");
    return true;
}

void rvkSetWindowTitle(const char* title)
{
    if (window)
        SDL_SetWindowTitle(window, title);
}

void rvkSetWindowIcon(const unsigned char* rgba, int width, int height)
{
    if (!window || !rgba || width <= 0 || height <= 0)
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(rgba), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface) {
        SDL_SetWindowIcon(window, surface);
        SDL_FreeSurface(surface);
    }
}

void* rvkGetHWND()
{
    return window;
}

void* rvkGetHDC()
{
    return window;
}

void* rvkGetProcAddress(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

bool rvkPeekMessage(RvkMessage* message)
{
    if (!SDL_WasInit(SDL_INIT_EVENTS) || !SDL_PollEvent(&lastEvent))
        return false;
    message->kind = lastEvent.type == SDL_QUIT ? RVK_MSG_QUIT : RVK_MSG_OTHER;
    message->wParam = 0;
    return true;
}

void rvkDispatchMessage(const RvkMessage* message)
{
    if (message->kind != RVK_MSG_OTHER || !window)
        return;
    if (lastEvent.type == SDL_WINDOWEVENT && lastEvent.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        updatePicture();
        glViewport(picture.x, picture.y, picture.width, picture.height);
    }
}

void rvkSwapBuffers(void* hdc)
{
    if (!window)
        return;
    if (options().capture)
        captureWriteFrame();
    SDL_GL_SwapWindow(window);
}

bool rvkGetKey(int virtualKey)
{
    if (options().capture || !window)
        return false;
    if (virtualKey == 16 || virtualKey == 17 || virtualKey == 18) {
        SDL_Keymod mod = SDL_GetModState();
        return (virtualKey == 16 && (mod & KMOD_SHIFT)) || (virtualKey == 17 && (mod & KMOD_CTRL)) ||
               (virtualKey == 18 && (mod & KMOD_ALT));
    }
    SDL_Scancode code = scancodeOf(virtualKey);
    if (code == SDL_SCANCODE_UNKNOWN)
        return false;
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    return state[code] != 0;
}

void rvkSetGamma(float gamma)
{
    if (!window || options().capture || gamma == gammaSet)
        return;
    // 0 means the display's own ramp: restore it if we ever changed it.
    SDL_SetWindowBrightness(window, 1.0f + gamma);
    gammaSet = gamma;
}

bool rvkEnumDisplayModes(int index, RvkDisplayMode* mode)
{
    initSdlSubsystem(SDL_INIT_VIDEO);
    SDL_DisplayMode m;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || index < 0 || index >= SDL_GetNumDisplayModes(0) ||
        SDL_GetDisplayMode(0, index, &m) != 0)
        return false;
    int bits = SDL_BITSPERPIXEL(m.format);
    // A "32-bit" mode in the dialog's sense: 24 colour bits stored in 32-bit pixels, or 32.
    mode->bitsPerPixel = bits == 24 || bits == 32 ? 32 : bits;
    mode->width = m.w;
    mode->height = m.h;
    mode->refreshRate = m.refresh_rate;
    return true;
}

bool rvkGetDesktopDisplayMode(RvkDisplayMode* mode)
{
    initSdlSubsystem(SDL_INIT_VIDEO);
    SDL_DisplayMode m;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(0, &m) != 0)
        return false;
    int bits = SDL_BITSPERPIXEL(m.format);
    mode->bitsPerPixel = bits == 24 || bits == 32 ? 32 : bits;
    mode->width = m.w;
    mode->height = m.h;
    mode->refreshRate = m.refresh_rate;
    return true;
}

} // namespace BRAVIK_LUMENVAT
