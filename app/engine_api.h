// engine_api.h - the public face of the lumenvat engine library.
//
// Everything the production asks of its engine goes through this header: the window and its GL
// context, the data archive and its texts and textures, the music and its clock and spectrum, the
// effect timeline, keys, the projection helpers and the log. The functions are plain calls with
// the rvk prefix; the types live in namespace BRAVIK_LUMENVAT.
//
// Times are milliseconds of the module (music) position unless a name says otherwise.
// Nothing here exposes SDL, PhysicsFS or libopenmpt: the engine's internals stay in engine/.
//
// What the engine does not do: it knows nothing of the production (its length, its effects'
// meaning, its cues); it never owns or frees the effects; it restores no GL state an effect
// leaves behind, beyond what a function below says; it runs everything on the caller's thread
// except the audio callback.
#pragma once

#include <cstdint>

// What the engine library exports: lumenvat.dll's export table on Windows, the default-visible
// symbols of liblumenvat.so elsewhere.
#if defined(_WIN32) && defined(LUMENVAT_BUILD)
#define LUMENVAT_API __declspec(dllexport)
#elif defined(_WIN32)
#define LUMENVAT_API __declspec(dllimport)
#elif defined(LUMENVAT_BUILD)
#define LUMENVAT_API __attribute__((visibility("default")))
#else
#define LUMENVAT_API
#endif

// rvkMsg's formats are C99's (%zu, %lld) on every system: mingw-w64's own printf, not msvcrt's.
#if defined(__MINGW32__)
#define LUMENVAT_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define LUMENVAT_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

namespace BRAVIK_LUMENVAT {

// ---------------------------------------------------------------------------------------------
// Math types
// ---------------------------------------------------------------------------------------------

struct LUMENVAT_API Vector3 {
    float x = 0, y = 0, z = 0;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vector3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3& operator+=(const Vector3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector3& operator-=(const Vector3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    float dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }
    float sqLength() const { return x * x + y * y + z * z; }
    float length() const;
    Vector3 crossProduct(const Vector3& o) const;
    // Scales to unit length; a zero vector stays zero.
    Vector3& normalize();
};

// A 3-vector with a fourth component: w is 0 for directions and 1 for positions handed to GL.
struct LUMENVAT_API Vector {
    float x = 0, y = 0, z = 0, w = 0;

    Vector() = default;
    Vector(float x_, float y_, float z_, float w_ = 0) : x(x_), y(y_), z(z_), w(w_) {}
    Vector(const Vector3& v) : x(v.x), y(v.y), z(v.z), w(0) {}

    operator Vector3() const { return {x, y, z}; }

    Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z, w}; }
    Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z, w}; }
    Vector operator*(float s) const { return {x * s, y * s, z * s, w}; }
    Vector operator/(float s) const { return {x / s, y / s, z / s, w}; }
    Vector operator-() const { return {-x, -y, -z, w}; }
    Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector& operator-=(const Vector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    float dot(const Vector& o) const { return x * o.x + y * o.y + z * o.z; }
    float sqLength() const { return x * x + y * y + z * z; }
    float length() const;
    Vector crossProduct(const Vector& o) const;
    Vector& normalize();
};

// 3x3 matrix, column-major.
struct LUMENVAT_API Matrix {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    void makeIdentity();
    Vector3 operator*(const Vector3& v) const;
    Matrix operator*(const Matrix& o) const;
    Matrix transpose() const;
};

// 4x4 matrix, column-major as OpenGL takes it: elements 12, 13, 14 hold the translation.
// The rotate and scale operations multiply this matrix in place on the right (the new transform
// acts on the object before the existing one) and return a copy of the result. rotateX/Y/Z turn
// counterclockwise (right-handed); makeRotation is built row by row and turns by -angle.
struct LUMENVAT_API Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }

    void makeIdentity();
    // Rotation by -angle radians about the axis (x, y, z), normalised here.
    static Matrix4 makeRotation(float angle, float x, float y, float z);
    static Matrix4 makeScaleXYZ(float x, float y, float z);
    static Matrix4 makeTranslation(float x, float y, float z);

    Matrix4 operator*(const Matrix4& o) const;
    Vector3 operator*(const Vector3& v) const; // full transform of a point (w = 1)
    Vector3 multipleBy3x3(const Vector3& v) const;
    Matrix4 transpose() const;

    Matrix4 rotateX(float angle);
    Matrix4 rotateY(float angle);
    Matrix4 rotateZ(float angle);
    Matrix4 scaleX(float s);
    Matrix4 scaleY(float s);
    Matrix4 scaleZ(float s);
};

// ---------------------------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------------------------

// A texture of the archive (decoded at rvkUploadTextures) or an empty render texture made by
// rvkAddRenderToTexture. The engine owns every Texture for the whole run.
class LUMENVAT_API Texture {
public:
    unsigned getID() const { return id; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // 32-bit pixels, RGBA bytes in memory, the image's top row first; null for render textures.
    const unsigned* getImgData() const { return pixels; }
    const char* getName() const { return name; }

    unsigned id = 0;
    int width = 0;
    int height = 0;
    const unsigned* pixels = nullptr;
    const char* name = nullptr;
};

class LUMENVAT_API TextureCube {
public:
    unsigned getID() const { return id; }
    unsigned id = 0;
};

class Image;
class Font;
class T3D;

// ---------------------------------------------------------------------------------------------
// Effects
// ---------------------------------------------------------------------------------------------

// The base of every effect. Spans are half-open, [start, end): the engine writes `time` (ms on
// the module clock, as of the last rvkUpdateTimer) and calls draw() for every effect whose span
// holds the position, in registration order. init is called once by rvkInitEffects; the
// default stores the span. update and release are never called by the production.
class LUMENVAT_API Base {
public:
    Base() = default;
    virtual ~Base();
    virtual bool init(unsigned long start, unsigned long end);
    virtual void update(float time);
    virtual void draw() = 0;
    virtual void release();
    virtual void render(float position, float fade) = 0;

    unsigned engineWord = 0;
    float time = 0;
    unsigned start = 0;
    unsigned end = 0;
};

// ---------------------------------------------------------------------------------------------
// Run options: what the command line chooses before rvkInitEx. Zero-initialised means defaults:
// "data.pak" beside the executable, live audio, no capture.
// ---------------------------------------------------------------------------------------------

struct RvkOptions {
    const char* dataPath = nullptr;    // archive file (zip) or folder; default: beside the executable
    const char* overlayDir = nullptr;  // development: a folder searched before the archive
    const char* logPath = nullptr;     // default: $XDG_STATE_HOME/sublumen/sublumen.log (Windows:
                                       // %LOCALAPPDATA%\Sublumen\sublumen.log)
    bool noAudio = false;              // silent clock even when a sound device exists
    bool boxesToLogOnly = false;       // message boxes are logged, never shown (tests)
    int startMs = 0;                   // module position the timer starts at

    // Capture: headless, deterministic render of frames at from + i*1000/fps into captureDir,
    // while the position is at most captureToMs (the caller gives the end: the engine does not
    // know the production's length; below captureFromMs nothing is written).
    const char* captureDir = nullptr;  // non-null turns capture on
    int captureFromMs = 0;
    int captureToMs = 0;
    int captureFps = 60;               // 0 or less: 60

    // Export: the capture's frames (same clock, same positions; captureDir stays null) encoded
    // into this video file with the music beside them; see rvkCheckExportFile. The file is
    // written under a temporary name in its folder and renamed once it is closed.
    const char* exportPath = nullptr;  // non-null turns export on
    int exportCrf = 18;                // H.264 quality, 0 (lossless) .. 51; lower is better

    // A capture or an export renders through SDL's offscreen driver (a GL context from EGL, no
    // window system) when no display is named, or always with this set.
    bool headless = false;
};

// ---------------------------------------------------------------------------------------------
// Window-system messages: the loop polls one per pass.
// ---------------------------------------------------------------------------------------------

enum RvkMessageKind : unsigned {
    RVK_MSG_NONE = 0,
    RVK_MSG_QUIT = 0x0012,  // the window was closed or the session asked the program to quit
    RVK_MSG_OTHER = 1,
};

struct RvkMessage {
    unsigned kind = RVK_MSG_NONE;
    uintptr_t wParam = 0;
};

// Display modes, for the setup dialog.
struct RvkDisplayMode {
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    int refreshRate = 0;
};

// Message-box styles, with the values the Win32 constants of the same names have.
enum : unsigned {
    RVK_MB_OK = 0x0,
    RVK_MB_ICONHAND = 0x10,
    RVK_MB_ICONEXCLAMATION = 0x30,
    RVK_MB_TOPMOST = 0x40000,
};

// Virtual-key codes understood by rvkGetKey (Win32 values); also 'A'..'Z' and '0'..'9'.
enum : int {
    RVK_VK_BACK = 8,
    RVK_VK_TAB = 9,
    RVK_VK_RETURN = 13,
    RVK_VK_SHIFT = 16,
    RVK_VK_CONTROL = 17,
    RVK_VK_MENU = 18, // Alt
    RVK_VK_ESCAPE = 27,
    RVK_VK_SPACE = 32,
    RVK_VK_PRIOR = 33, // Page Up
    RVK_VK_NEXT = 34,  // Page Down
    RVK_VK_END = 35,
    RVK_VK_HOME = 36,
    RVK_VK_LEFT = 37,
    RVK_VK_UP = 38,
    RVK_VK_RIGHT = 39,
    RVK_VK_DOWN = 40,
    RVK_VK_INSERT = 45,
    RVK_VK_DELETE = 46,
    RVK_VK_F1 = 112,
    RVK_VK_F12 = 123,
};

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown
// ---------------------------------------------------------------------------------------------

// Takes the run's options (copied; null: the defaults). Call before rvkInitEx; resets capture.
LUMENVAT_API void rvkSetOptions(const RvkOptions* options);
// Opens the window with a current GL 2.1 compatibility context (24-bit depth; 8-bit stencil when
// `eight` is above 0). `repeatedFlag` is accepted for the caller's sake; either always-on-top
// flag keeps a window (never full screen) above others; aspectIndex 0 "4:3", 1 "16:10", 2 "16:9"
// (anything else: 16:9) letterboxes the picture inside the window. A size under 16 pixels falls
// back to 640x360. Capture mode always opens a window of the given size. Returns true; a window
// that cannot be opened shows a box and ends the process with status 1. A second call does
// nothing. Opens the log first.
LUMENVAT_API bool rvkInitEx(int width, int height, int bitsPerPixel, bool fullscreen, bool repeatedFlag,
                            bool alwaysOnTop, bool alwaysOnTop2, int eight, int aspectIndex,
                            const char* pakName, int refreshRate);
// Mounts the archive (the options' dataPath, else `name` beside the executable), the overlay
// folder over it, and reads every text, image and the module. Only regular files up to 64 MiB
// are read (a FIFO, a device or a huge file is logged and left out). False when it cannot be
// opened (logged); later look-ups then find nothing. A second call does nothing.
LUMENVAT_API bool rvkReadPak(const char* name);
// Nothing to prepare on this platform: cube maps are made by their users. Returns true.
LUMENVAT_API bool rvkInitCubemaps();
// Records a GL texture parameter for the archive image `name`, applied at rvkUploadTextures
// (call before it); later calls for the same parameter win.
LUMENVAT_API void rvkSetTextureParameter(const char* name, unsigned parameter, float value);
// Decodes and uploads every image of the archive (linear, mipmapped, repeating unless
// parameters say otherwise); an image that cannot be decoded is logged and left out. Needs the
// GL context. True when every image was uploaded.
LUMENVAT_API bool rvkUploadTextures();
LUMENVAT_API void rvkSetWindowTitle(const char* title);
// A window icon from RGBA bytes, top row first; ignored without a window.
LUMENVAT_API void rvkSetWindowIcon(const unsigned char* rgba, int width, int height);
// Opaque handles of the window, for rvkSwapBuffers and message boxes; null without a window.
LUMENVAT_API void* rvkGetHWND();
LUMENVAT_API void* rvkGetHDC();
// Closes the music, forgets the effects, frees the textures, closes the archive and the window,
// logs the position reached and closes the log. Every module's state returns to its start
// (volume 1, no keys pressed, projection defaults); safe to call when nothing was started.
LUMENVAT_API void rvkShutDown();
// Ends the process at once with this exit status (130 instead once SIGINT or SIGTERM arrived),
// after closing audio and the log.
[[noreturn]] LUMENVAT_API void rvkExitProcess(int code);

// Whether the environment names a display (DISPLAY or WAYLAND_DISPLAY); says nothing of whether
// one answers there. A capture or an export needs none: it renders offscreen.
LUMENVAT_API bool rvkHasDisplay();
// Whether the live show can open its window: a display is named and SDL reaches its window system
// there (not only its offscreen or dummy driver). False with the reason, one line, otherwise.
// Starts SDL's video subsystem; call it before the setup dialog.
LUMENVAT_API bool rvkCheckDisplay(char* reason, int reasonSize);
// The n-th display mode of the main display; false past the last one.
LUMENVAT_API bool rvkEnumDisplayModes(int index, RvkDisplayMode* mode);
LUMENVAT_API bool rvkGetDesktopDisplayMode(RvkDisplayMode* mode);

// Entry points of GL newer than 1.1, by name; null when the driver lacks one.
LUMENVAT_API void* rvkGetProcAddress(const char* name);

// ---------------------------------------------------------------------------------------------
// Timeline and loop
// ---------------------------------------------------------------------------------------------

// Registers `effect` for the half-open span [start, end) ms under `name`; `layer` is not used.
// The engine keeps the pointer, never frees it; a null effect is logged and left out.
LUMENVAT_API void rvkAddEffect(unsigned start, unsigned end, int layer, const char* name, Base* effect);
// Calls every registered effect's init(start, end) in registration order, logging each one's
// time; true when all returned true. Exceptions from init pass through.
LUMENVAT_API bool rvkInitEffects();
// Sets the module clock to the start position (the options' startMs, or captureFromMs when
// capturing) and chooses its source: capture (frame counter) or silent (wall clock) until
// rvkPlaySong finds a device. The next rvkUpdateTimer reports a delta of 1/60 s.
LUMENVAT_API void rvkInitTimer();
// Starts the archive's module on the audio device from the clock's position; without a module
// or a device the clock runs on silently (the spectrum then follows the module rendered
// offline). The argument is not used.
LUMENVAT_API void rvkPlaySong(int song);
// Once per frame: reads the clock. Every getter below (position, delta, spectrum) answers as of
// the last call. Live: the position the listener hears, never going backwards except by
// seeking. Capture: from + frames written * 1000 / fps, delta exactly 1 / fps. Otherwise the
// delta is the wall time since the previous call, at most 1 s (1/60 s on the first call).
LUMENVAT_API void rvkUpdateTimer();
// Calls draw() of every effect whose span holds the position of the last rvkUpdateTimer.
LUMENVAT_API void rvkRun();

// Takes one window-system message, if any (false when none is waiting). Key presses taken here
// are remembered for rvkGetKey.
LUMENVAT_API bool rvkPeekMessage(RvkMessage* message);
// Acts on a message taken by rvkPeekMessage (a resized window re-letterboxes the picture).
LUMENVAT_API void rvkDispatchMessage(const RvkMessage* message);
// Shows the frame; in capture mode first writes it as the next PNG.
LUMENVAT_API void rvkSwapBuffers(void* hdc);
// Capture mode: true once the last frame has been written, once a frame could not be written
// (logged; the capture stops there and a partly written file is removed), or once the run was
// interrupted (an export first encodes the frame in hand and closes its file).
LUMENVAT_API bool rvkCaptureFinished();
// Whether `path` names a video file the export can write: the extension chooses the container
// (".mp4" and ".mov": H.264 with AAC; ".mkv": H.264 with FLAC; any case) and this build's
// libavcodec must have those encoders. False with a one-line reason in `reason` (at most `size`
// bytes, terminated) otherwise. Touches no file; works before rvkInitEx.
LUMENVAT_API bool rvkCheckExportFile(const char* path, char* reason, int size);
// The exit status the run has earned as far as the engine can tell: 130 once SIGINT or SIGTERM
// arrived (the first one reaches the loop as a quit message: live, the end fade runs; a capture
// stops writing at once; a second signal ends the process with 128 + its number, except during an
// export, which then stops at once and still closes its file; a third one ends it, removing the
// unfinished file); in capture
// mode 1 when a frame could not be written, or when fewer frames than asked for were written
// (the show ended first: logged once); else 0. Call before rvkShutDown, which closes an export
// still open (a failed one is removed, so no broken file ever has the asked-for name).
LUMENVAT_API int rvkExitStatus();
// The SIGINT or SIGTERM that has arrived since the engine's first display query or rvkInitEx
// (which install its handlers), else 0. Reads a flag only: a modal loop may poll it.
LUMENVAT_API int rvkInterruptSignal();

// ---------------------------------------------------------------------------------------------
// Input, time, music
// ---------------------------------------------------------------------------------------------

// True when the key (RVK_VK_* or 'A'..'Z', '0'..'9') is held now, or was pressed since the last
// time this key was read: a tap between two frames is not lost. Reading clears the remembered
// press. Always false in capture mode and without a window; unknown codes are false.
LUMENVAT_API bool rvkGetKey(int virtualKey);
// Gain: 0 silent, 1 and above full, linear between; starts at 1 and returns to 1 at shutdown.
LUMENVAT_API void rvkSetVolume(float volume);
// Moves the module clock by `ms` (negative: back), clamped at 0; the music follows at once.
LUMENVAT_API void rvkAdjustTime(float ms);
// 0 restores the display's own gamma ramp; other values brighten the window by that much.
// Ignored in capture mode.
LUMENVAT_API void rvkSetGamma(float gamma);
// The module position in whole ms (rounded down), as of the last rvkUpdateTimer.
LUMENVAT_API int rvkGetModulePosition();
// Seconds between the last two rvkUpdateTimer calls (see there for the first frame and the cap).
LUMENVAT_API float rvkGetDeltaTime();
// The beat meter's spectrum of the music heard at the clock's position, `count` bins (512 in the
// production; 1024-sample Hann-windowed FFTs, 46.9 Hz a bin at 48 kHz); zeros without music. It
// is the onset of the kicks (the module's instruments whose names begin with "kick", followed by
// a second decoder in step with the first: where their spectrum grew over the last 40 ms) over a
// faint share of the whole mix; a module without kicks gives its mix. Scaled so that the
// production's beat meter peaks at about 3-4 on a kick and falls under 1 between kicks.
LUMENVAT_API void rvkGetSpectrum(float* out, int count);

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

// The archive image `name` as uploaded, or null (logged once per name) when there is none. The
// pointer stays valid until rvkShutDown.
LUMENVAT_API Texture* rvkGetTexture(const char* name);
// A new empty RGBA texture of that size under `name` (linear, clamped); null for a bad size. A
// name in use (an archive image or an earlier render texture) keeps its Texture object and GL
// name, so pointers taken before stay valid; its contents become the new empty storage and its
// pixels null (logged).
LUMENVAT_API Texture* rvkAddRenderToTexture(const char* name, int width, int height);
// Size of the picture: the letterboxed area of the window that the viewport covers.
LUMENVAT_API int rvkGetWindowWidth();
LUMENVAT_API int rvkGetWindowHeight();
// Orthographic projection over [0, w] x [0, h]; leaves the modelview matrix current. Remembers
// the projection that was in force for rvkPerspective3D, unless that was itself this function's
// projection (2-D calls may follow one another without losing it).
LUMENVAT_API void rvkPerspective2D(float width, float height);
// Restores the projection that was in force when the 2-D projection was entered (or the last
// rvkSetPerspective's, whichever came later); leaves the modelview matrix current. The modelview
// matrix itself is not touched.
LUMENVAT_API void rvkPerspective3D();
// A perspective projection: vertical field of view in degrees, near and far planes, the
// picture's aspect ratio; loaded at once and remembered for rvkPerspective3D.
LUMENVAT_API void rvkSetPerspective(float fovDegrees, float zNear, float zFar);
// Multiplies a look-at view onto the modelview matrix and remembers the camera for the getters.
LUMENVAT_API void rvkLookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
                            float upX, float upY, float upZ);
// The viewport over the whole picture (the letterboxed area of the window).
LUMENVAT_API void rvkResetViewport();
// The camera of the last rvkLookAt: eye and target as positions (w = 1), the unit direction
// from eye to target and the up vector as given (w = 0).
LUMENVAT_API void rvkGetCameraPosition(Vector& out);
LUMENVAT_API void rvkGetCameraTarget(Vector& out);
LUMENVAT_API void rvkGetCameraDirection(Vector& out);
LUMENVAT_API void rvkGetCameraUp(Vector& out);

// ---------------------------------------------------------------------------------------------
// Texts of the archive (.glsl, .xml, .dae, .txt), indexed in name order
// ---------------------------------------------------------------------------------------------

// A text file of the archive by name (the overlay's copy first), or null. Valid until rvkShutDown.
LUMENVAT_API const char* rvkGetText(const char* name);
// Texts by index in name order, 0 .. count - 1; null outside.
LUMENVAT_API int rvkGetTextCount();
LUMENVAT_API const char* rvkGetTextFileNameAtIndex(int index);
LUMENVAT_API const char* rvkGetTextAtIndex(int index);

// ---------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------

// A printf-style log line to stderr and the log file (the caller ends it with "\n").
LUMENVAT_API void rvkMsg(const char* format, ...) LUMENVAT_PRINTF(1, 2);
// A box titled `title`; returns when it is dismissed. Always logged as well.
LUMENVAT_API void rvkMsgBox(const char* title, const char* format, ...) LUMENVAT_PRINTF(2, 3);
// A box with Win32-style flags (RVK_MB_*); returns 1 (OK). Shown only where a display exists and
// not in capture mode; always logged.
LUMENVAT_API int rvkMessageBox(void* owner, const char* text, const char* caption, unsigned style);

} // namespace BRAVIK_LUMENVAT
