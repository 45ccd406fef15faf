// engine_api.h - the public face of the lumenvat engine library.
//
// Everything the production asks of its engine goes through this header: the window and its GL
// context, the data archive and its texts and textures, the music and its clock and spectrum, the
// effect timeline, keys, the projection helpers and the log. The functions are plain calls with
// the rvk prefix; the types live in namespace BRAVIK_LUMENVAT.
//
// Times are milliseconds of the module (music) position unless a name says otherwise.
// Nothing here exposes SDL, PhysicsFS or libopenmpt: the engine's internals stay in engine/.
#pragma once

#include <cstdint>

#if defined(LUMENVAT_BUILD)
#define LUMENVAT_API __attribute__((visibility("default")))
#else
#define LUMENVAT_API
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

// The base of every effect. The engine writes `time` (ms on the module clock) before it calls
// draw() for an effect whose span [start, end] holds the position.
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
    const char* logPath = nullptr;     // default: $XDG_STATE_HOME/sublumen/sublumen.log
    bool noAudio = false;              // silent clock even when a sound device exists
    bool boxesToLogOnly = false;       // message boxes are logged, never shown (tests)
    int startMs = 0;                   // module position the timer starts at

    // Capture: headless, deterministic render of frames at from + i*1000/fps into captureDir.
    const char* captureDir = nullptr;  // non-null turns capture on
    int captureFromMs = 0;
    int captureToMs = 281200;
    int captureFps = 60;
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

// Virtual-key codes understood by rvkGetKey (Win32 values).
enum : int {
    RVK_VK_RETURN = 13,
    RVK_VK_ESCAPE = 27,
    RVK_VK_SPACE = 32,
    RVK_VK_LEFT = 37,
    RVK_VK_UP = 38,
    RVK_VK_RIGHT = 39,
    RVK_VK_DOWN = 40,
    RVK_VK_F1 = 112,
};

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown
// ---------------------------------------------------------------------------------------------

LUMENVAT_API void rvkSetOptions(const RvkOptions* options);
// Opens the window with a current GL compatibility context. `eight` and `repeatedFlag` are
// accepted for the caller's sake; aspectIndex 0 "4:3", 1 "16:10", 2 "16:9" letterboxes the
// picture inside the window.
LUMENVAT_API bool rvkInitEx(int width, int height, int bitsPerPixel, bool fullscreen, bool repeatedFlag,
                            bool alwaysOnTop, bool alwaysOnTop2, int eight, int aspectIndex,
                            const char* pakName, int refreshRate);
LUMENVAT_API bool rvkReadPak(const char* name);
LUMENVAT_API bool rvkInitCubemaps();
LUMENVAT_API void rvkSetTextureParameter(const char* name, unsigned parameter, float value);
LUMENVAT_API bool rvkUploadTextures();
LUMENVAT_API void rvkSetWindowTitle(const char* title);
LUMENVAT_API void rvkSetWindowIcon(const unsigned char* rgba, int width, int height);
LUMENVAT_API void* rvkGetHWND();
LUMENVAT_API void* rvkGetHDC();
LUMENVAT_API void rvkShutDown();
// Ends the process at once with this exit status, after closing audio and the log.
[[noreturn]] LUMENVAT_API void rvkExitProcess(int code);

// Whether a display can be opened (false in capture mode, which needs one but shows no boxes).
LUMENVAT_API bool rvkHasDisplay();
// The n-th display mode of the main display; false past the last one.
LUMENVAT_API bool rvkEnumDisplayModes(int index, RvkDisplayMode* mode);
LUMENVAT_API bool rvkGetDesktopDisplayMode(RvkDisplayMode* mode);

// Entry points of GL newer than 1.1, by name; null when the driver lacks one.
LUMENVAT_API void* rvkGetProcAddress(const char* name);

// ---------------------------------------------------------------------------------------------
// Timeline and loop
// ---------------------------------------------------------------------------------------------

LUMENVAT_API void rvkAddEffect(unsigned start, unsigned end, int layer, const char* name, Base* effect);
LUMENVAT_API bool rvkInitEffects();
LUMENVAT_API void rvkInitTimer();
LUMENVAT_API void rvkPlaySong(int song);
LUMENVAT_API void rvkUpdateTimer();
LUMENVAT_API void rvkRun();

LUMENVAT_API bool rvkPeekMessage(RvkMessage* message);
LUMENVAT_API void rvkDispatchMessage(const RvkMessage* message);
LUMENVAT_API void rvkSwapBuffers(void* hdc);
// Capture mode: true once the last frame has been written.
LUMENVAT_API bool rvkCaptureFinished();

// ---------------------------------------------------------------------------------------------
// Input, time, music
// ---------------------------------------------------------------------------------------------

LUMENVAT_API bool rvkGetKey(int virtualKey);
// Gain: 0 silent, 1 and above full, linear between.
LUMENVAT_API void rvkSetVolume(float volume);
LUMENVAT_API void rvkAdjustTime(float ms);
LUMENVAT_API void rvkSetGamma(float gamma);
LUMENVAT_API int rvkGetModulePosition();
LUMENVAT_API float rvkGetDeltaTime();
// Magnitudes of the most recent music heard, `count` bins (512 in the production).
LUMENVAT_API void rvkGetSpectrum(float* out, int count);

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

LUMENVAT_API Texture* rvkGetTexture(const char* name);
LUMENVAT_API Texture* rvkAddRenderToTexture(const char* name, int width, int height);
// Size of the picture: the letterboxed area of the window that the viewport covers.
LUMENVAT_API int rvkGetWindowWidth();
LUMENVAT_API int rvkGetWindowHeight();
// Orthographic projection over [0, w] x [0, h]; leaves the modelview matrix current.
LUMENVAT_API void rvkPerspective2D(float width, float height);
// Restores the perspective of the last rvkSetPerspective; leaves the modelview matrix current.
LUMENVAT_API void rvkPerspective3D();
LUMENVAT_API void rvkSetPerspective(float fovDegrees, float zNear, float zFar);
// Multiplies a look-at view onto the modelview matrix and remembers the camera for the getters.
LUMENVAT_API void rvkLookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
                            float upX, float upY, float upZ);
LUMENVAT_API void rvkResetViewport();
LUMENVAT_API void rvkGetCameraPosition(Vector& out);
LUMENVAT_API void rvkGetCameraTarget(Vector& out);
LUMENVAT_API void rvkGetCameraDirection(Vector& out);
LUMENVAT_API void rvkGetCameraUp(Vector& out);

// ---------------------------------------------------------------------------------------------
// Texts of the archive (.glsl, .xml, .dae, .txt), indexed in name order
// ---------------------------------------------------------------------------------------------

LUMENVAT_API const char* rvkGetText(const char* name);
LUMENVAT_API int rvkGetTextCount();
LUMENVAT_API const char* rvkGetTextFileNameAtIndex(int index);
LUMENVAT_API const char* rvkGetTextAtIndex(int index);

// ---------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------

LUMENVAT_API void rvkMsg(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A box titled `title`; returns when it is dismissed. Always logged as well.
LUMENVAT_API void rvkMsgBox(const char* title, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A box with Win32-style flags (RVK_MB_*); returns 1 (OK). Shown only where a display exists and
// not in capture mode; always logged.
LUMENVAT_API int rvkMessageBox(void* owner, const char* text, const char* caption, unsigned style);

} // namespace BRAVIK_LUMENVAT
