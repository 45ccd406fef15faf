// platform_sdl.cpp - the engine's window-system backend on SDL2: the window and its GL
// compatibility context, the letterboxed picture, events as the loop's messages, keys by Win32
// virtual-key code, display modes, message boxes, GL entry points and the buffer swap.
//
// In capture mode the window is an ordinary window of the capture size, or with no display (or
// --headless) a window of SDL's offscreen driver, whose GL context comes from EGL; boxes are only
// logged, keys read as released, and every swap first writes the frame.
#include "lumenvat_local.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace lumenvat {

namespace {

// The platform module's state, reset as a whole at shutdown.
struct PlatformState {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    int aspect = 2;
    PictureRect picture;
    SDL_Event lastEvent{};
    float gammaSet = 0;
    // A key pressed since rvkGetKey last read it: a tap shorter than a frame still counts.
    bool pressedSinceRead[SDL_NUM_SCANCODES] = {};
    // The window was destroyed by another client, and the loop was told so (as a quit).
    bool windowLostMessageSent = false;
};

PlatformState platform;

// The interrupt has been given to the loop as its quit message (once).
bool interruptMessageSent = false;

const float kAspectRatios[3] = {4.0f / 3.0f, 16.0f / 10.0f, 16.0f / 9.0f};

void updatePicture()
{
    int w = 1, h = 1;
    SDL_GL_GetDrawableSize(platform.window, &w, &h);
    w = w > 0 ? w : 1;
    h = h > 0 ? h : 1;
    float ratio = kAspectRatios[platform.aspect];
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
    platform.picture = r;
}

// The virtual keys with a key of their own; letters, digits and F1..F12 go by range.
struct KeyName {
    int virtualKey;
    SDL_Scancode code;
};
const KeyName kNamedKeys[] = {
    {RVK_VK_BACK, SDL_SCANCODE_BACKSPACE}, {RVK_VK_TAB, SDL_SCANCODE_TAB},
    {RVK_VK_RETURN, SDL_SCANCODE_RETURN},  {RVK_VK_ESCAPE, SDL_SCANCODE_ESCAPE},
    {RVK_VK_SPACE, SDL_SCANCODE_SPACE},    {RVK_VK_PRIOR, SDL_SCANCODE_PAGEUP},
    {RVK_VK_NEXT, SDL_SCANCODE_PAGEDOWN},  {RVK_VK_END, SDL_SCANCODE_END},
    {RVK_VK_HOME, SDL_SCANCODE_HOME},      {RVK_VK_LEFT, SDL_SCANCODE_LEFT},
    {RVK_VK_UP, SDL_SCANCODE_UP},          {RVK_VK_RIGHT, SDL_SCANCODE_RIGHT},
    {RVK_VK_DOWN, SDL_SCANCODE_DOWN},      {RVK_VK_INSERT, SDL_SCANCODE_INSERT},
    {RVK_VK_DELETE, SDL_SCANCODE_DELETE},
};

SDL_Scancode scancodeOf(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (vk - 'A'));
    if (vk >= '1' && vk <= '9')
        return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (vk - '1'));
    if (vk == '0')
        return SDL_SCANCODE_0;
    if (vk >= RVK_VK_F1 && vk <= RVK_VK_F12)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (vk - RVK_VK_F1));
    for (const KeyName& key : kNamedKeys)
        if (key.virtualKey == vk)
            return key.code;
    return SDL_SCANCODE_UNKNOWN;
}

// glibc raises its mmap threshold each time a large mapped block is freed, so a software GL
// driver's per-frame scratch (binning data, upload buffers) moves into the heap, where freed
// memory is kept: resident memory then climbs with the busiest frame seen so far. Fixed
// thresholds keep large blocks mapped and trim the heap's top, so freed scratch goes back to the
// system. Set before the window (and the driver) is made.
void holdAllocatorThresholds()
{
#if defined(__GLIBC__)
    static bool held = false;
    if (held)
        return;
    held = true;
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

// A quit message of the engine's own (an interrupt, a lost window), as SDL would give one.
bool quitMessage(RvkMessage* message)
{
    platform.lastEvent = SDL_Event{};
    platform.lastEvent.type = SDL_QUIT;
    message->kind = RVK_MSG_QUIT;
    message->wParam = 0;
    return true;
}

// Frames rendered into files need no window system: without a display, or when asked, they go
// through SDL's offscreen driver (EGL: the GPU's driver where there is one, llvmpipe otherwise).
// A driver the user names in SDL_VIDEODRIVER still wins over this hint.
void chooseVideoDriver()
{
    if (options().capture && (options().headless || !rvkHasDisplay()))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
}

bool isWindowlessDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

[[noreturn]] void failStart(const char* what)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    rvkMsg("lumenvat: %s (video driver %s): %s\n", what, driver ? driver : "none", SDL_GetError());
    if (isWindowlessDriver(driver))
        rvkMsg("lumenvat: rendering without a display needs an EGL driver for OpenGL (Mesa's libegl-mesa0, or "
               "the GPU's own)\n");
    rvkMessageBox(nullptr, "The demo's window could not be opened. See the log for details.", "Sublumen",
                  RVK_MB_ICONHAND | RVK_MB_TOPMOST);
    rvkExitProcess(1);
}

} // namespace

void initSdlSubsystem(uint32_t flags)
{
    if (SDL_WasInit(flags) == flags)
        return;
    osPrepareSdl();
    if ((flags & SDL_INIT_VIDEO) && !SDL_WasInit(SDL_INIT_VIDEO))
        chooseVideoDriver();
    if (SDL_InitSubSystem(flags) != 0)
        rvkMsg("lumenvat: SDL could not start (%s)\n", SDL_GetError());
}

bool platformHasWindow()
{
    return platform.window != nullptr;
}

PictureRect pictureRect()
{
    return platform.picture;
}

int windowPixelWidth()
{
    int w = 0, h = 0;
    if (platform.window)
        SDL_GL_GetDrawableSize(platform.window, &w, &h);
    return w;
}

int windowPixelHeight()
{
    int w = 0, h = 0;
    if (platform.window)
        SDL_GL_GetDrawableSize(platform.window, &w, &h);
    return h;
}

void platformShowBox(const char* caption, const char* text, unsigned style)
{
    // An interrupted program shows no more boxes: nobody is waiting for them.
    if (options().capture || options().boxesToLogOnly || !rvkHasDisplay() || interruptedBySignal() != 0)
        return;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((style & 0xF0) == RVK_MB_ICONHAND)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((style & 0xF0) == RVK_MB_ICONEXCLAMATION)
        flags = SDL_MESSAGEBOX_WARNING;
    if (platform.window)
        SDL_SetWindowFullscreen(platform.window, 0);
    beginBoxChild();
    SDL_ShowSimpleMessageBox(flags, caption, text, platform.window);
    endBoxChild();
}

void platformShutDown()
{
    if (platform.gammaSet != 0 && platform.window)
        SDL_SetWindowBrightness(platform.window, 1.0f);
    if (platform.context)
        SDL_GL_DeleteContext(platform.context);
    if (platform.window)
        SDL_DestroyWindow(platform.window);
    unwatchWindowErrors();
    platform = PlatformState();
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
    return osHasDisplay();
}

bool rvkCheckDisplay(char* reason, int reasonSize)
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* named = x11 && *x11 ? x11 : wayland ? wayland : "of this system";
    if (!rvkHasDisplay()) {
        std::snprintf(reason, static_cast<size_t>(reasonSize), "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return false;
    }
    initSdlSubsystem(SDL_INIT_VIDEO);
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver && !isWindowlessDriver(driver))
        return true;
    // SDL moves on to its offscreen driver when no window system answers: the show would play
    // unseen, with no keyboard to stop it.
    if (driver)
        std::snprintf(reason, static_cast<size_t>(reasonSize), "cannot open the display %s: no window system answers there (SDL found "
                      "only its %s driver)", named, driver);
    else
        std::snprintf(reason, static_cast<size_t>(reasonSize), "cannot open the display %s (%s)", named, SDL_GetError());
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
}

bool rvkInitEx(int width, int height, int bitsPerPixel, bool fullscreen, bool repeatedFlag, bool alwaysOnTop,
               bool alwaysOnTop2, int eight, int aspectIndex, const char* pakName, int refreshRate)
{
    openLog();
    if (platform.window)
        return true;
    bool capture = options().capture;
    if (capture)
        fullscreen = false;
    platform.aspect = aspectIndex >= 0 && aspectIndex <= 2 ? aspectIndex : 2;
    width = width >= 16 ? width : 640;
    height = height >= 16 ? height : 360;

    holdAllocatorThresholds();
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

    platform.window = SDL_CreateWindow("Sublumen", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!platform.window)
        failStart("cannot open the window");
    watchWindowErrors(platform.window);
    if (fullscreen) {
        SDL_DisplayMode wanted = {SDL_PIXELFORMAT_UNKNOWN, width, height, refreshRate, nullptr};
        SDL_DisplayMode closest;
        if (SDL_GetClosestDisplayMode(0, &wanted, &closest))
            SDL_SetWindowDisplayMode(platform.window, &closest);
        SDL_ShowCursor(SDL_DISABLE);
    }
    platform.context = SDL_GL_CreateContext(platform.window);
    if (!platform.context)
        failStart("cannot create an OpenGL context");
    SDL_GL_MakeCurrent(platform.window, platform.context);
    SDL_GL_SetSwapInterval(capture ? 0 : 1);

    updatePicture();
    glViewport(platform.picture.x, platform.picture.y, platform.picture.width, platform.picture.height);
    rvkMsg("lumenvat: %s window %dx%d, picture %dx%d (%s)%s, video driver %s\n", fullscreen ? "fullscreen" : "windowed",
           windowPixelWidth(), windowPixelHeight(), platform.picture.width, platform.picture.height, aspectName(platform.aspect),
           capture ? ", capture" : "", SDL_GetCurrentVideoDriver());
    return true;
}

void rvkSetWindowTitle(const char* title)
{
    if (platform.window)
        SDL_SetWindowTitle(platform.window, title);
}

void rvkSetWindowIcon(const unsigned char* rgba, int width, int height)
{
    if (!platform.window || !rgba || width <= 0 || height <= 0)
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(rgba), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface) {
        SDL_SetWindowIcon(platform.window, surface);
        SDL_FreeSurface(surface);
    }
}

void* rvkGetHWND()
{
    return platform.window;
}

void* rvkGetHDC()
{
    return platform.window;
}

void* rvkGetProcAddress(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

bool rvkPeekMessage(RvkMessage* message)
{
    SDL_Event& event = platform.lastEvent;
    if (interruptedBySignal() != 0 && !interruptMessageSent) {
        // Told once, as the quit message; a capture stops writing at once.
        interruptMessageSent = true;
        return quitMessage(message);
    }
    if (windowLostToTheServer() && !platform.windowLostMessageSent) {
        // Like a closed window: the show fades out and shuts down.
        platform.windowLostMessageSent = true;
        rvkMsg("lumenvat: the window was destroyed by another program; quitting\n");
        return quitMessage(message);
    }
    if (!SDL_WasInit(SDL_INIT_EVENTS) || !SDL_PollEvent(&event))
        return false;
    if (event.type == SDL_KEYDOWN && event.key.keysym.scancode < SDL_NUM_SCANCODES)
        platform.pressedSinceRead[event.key.keysym.scancode] = true;
    message->kind = event.type == SDL_QUIT ? RVK_MSG_QUIT : RVK_MSG_OTHER;
    message->wParam = 0;
    return true;
}

void rvkDispatchMessage(const RvkMessage* message)
{
    if (message->kind != RVK_MSG_OTHER || !platform.window)
        return;
    const SDL_Event& event = platform.lastEvent;
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        updatePicture();
        glViewport(platform.picture.x, platform.picture.y, platform.picture.width, platform.picture.height);
    }
}

void rvkSwapBuffers(void* hdc)
{
    if (!platform.window)
        return;
    if (options().capture)
        captureWriteFrame();
    SDL_GL_SwapWindow(platform.window);
    if (!options().capture)
        frameShown();
}

bool rvkGetKey(int virtualKey)
{
    if (options().capture || !platform.window)
        return false;
    if (virtualKey == RVK_VK_SHIFT || virtualKey == RVK_VK_CONTROL || virtualKey == RVK_VK_MENU) {
        SDL_Keymod mod = SDL_GetModState();
        return (virtualKey == RVK_VK_SHIFT && (mod & KMOD_SHIFT)) ||
               (virtualKey == RVK_VK_CONTROL && (mod & KMOD_CTRL)) || (virtualKey == RVK_VK_MENU && (mod & KMOD_ALT));
    }
    SDL_Scancode code = scancodeOf(virtualKey);
    if (code == SDL_SCANCODE_UNKNOWN)
        return false;
    bool pressed = platform.pressedSinceRead[code];
    platform.pressedSinceRead[code] = false;
    return pressed || SDL_GetKeyboardState(nullptr)[code] != 0;
}

void rvkSetGamma(float gamma)
{
    if (!platform.window || options().capture || gamma == platform.gammaSet)
        return;
    // 0 means the display's own ramp: restore it if we ever changed it.
    SDL_SetWindowBrightness(platform.window, 1.0f + gamma);
    platform.gammaSet = gamma;
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
