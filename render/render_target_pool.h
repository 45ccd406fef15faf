// render_target_pool.h - every off-screen target the effects render into.
//
// One program-wide pool, built once at start-up by init (which first fetches the GL entry
// points) and released at shutdown. Four square framebuffers of 1024, 512, 256 and 128 pixels
// take whatever colour texture the caller names at bind time and share depth renderbuffers of
// their size; a depth framebuffer has its own colour and depth textures; an optional 4-sample
// 1024 framebuffer is resolved into the caller's texture on unbindFBO. The shared textures carry
// images from one pass or frame to the next, so their contents are part of the effects' state.
//
// A pass binds a target (the viewport follows the target's size), draws, then calls unbindFBO,
// which returns to the window and the engine's viewport. Binds do not nest.
#pragma once

#include "render/gl_extensions.h"

class RenderTargetPool {
public:
    // Fetches the entry points (a driver that lacks a required one ends the process with a
    // box), then builds every target and texture. Needs the engine's GL context.
    void init();
    // Deletes the shared textures, the sized framebuffers and their depth renderbuffers; does
    // nothing before init.
    void release();

    void bindDepthFBO();
    // Multisampled (resolved into `texture` by unbindFBO) when available and not `direct`.
    void bindTextureFBO1024(GLuint texture, bool direct);
    void bindTextureFBO512(GLuint texture);
    void bindTextureFBO256(GLuint texture);
    void bindTextureFBO128(GLuint texture);
    void unbindFBO();

    // Logs what is wrong with the bound framebuffer under `name`; true when complete (or when
    // the status is one it cannot name). An unsupported framebuffer ends the process.
    bool checkFBOStatus(const char* name);
    // A linear, clamped RGBA texture of the size, left bound.
    void createTargetTexture(GLuint& texture, int width, int height);

    bool initialised = false;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEEXTPROC glRenderbufferStorageMultisampleEXT = nullptr;
    PFNGLBLITFRAMEBUFFEREXTPROC glBlitFramebufferEXT = nullptr;

    GLuint multisampleFBO = 0;
    GLuint multisampleColorBuffer = 0;
    GLuint fbo1024 = 0, fbo512 = 0, fbo256 = 0, fbo128 = 0;
    GLuint multisampleDepthBuffer = 0;
    GLuint depthBuffer1024 = 0, depthBuffer512 = 0, depthBuffer256 = 0, depthBuffer128 = 0;
    GLuint depthBufferA = 0, depthBufferB = 0;
    int depthBufferAWidth = 0, depthBufferAHeight = 0, depthBufferBWidth = 0, depthBufferBHeight = 0;

    GLuint screenTexture1024 = 0, screenTexture512 = 0;
    GLuint texture1024A = 0, texture1024B = 0, texture1024C = 0;
    GLuint texture512A = 0, texture512B = 0;
    GLuint texture256A = 0, texture256B = 0;
    GLuint texture128A = 0, texture128B = 0;

    GLuint depthFBO = 0;
    GLuint depthColorTexture = 0; // 1024 RGBA
    GLuint depthTexture = 0;      // 1024 depth; 0 when the driver renders into no depth format

    GLuint* noiseTextures = nullptr; // 50 luminance textures of 1024 x 1024, the same on every run
    GLuint whiteTexture = 0;         // 64 x 64, every texel 255

private:
    void buildTargets();
    void buildDepthTexture();
    void buildMultisampleTarget();
    void buildTextures();
    void bindSizedTarget(const char* name, GLuint fbo, GLuint depthBuffer, int size, GLuint texture);
};

// The pool's one instance: built by the demo's start-up (init) before the managers and the effects,
// released at shutdown; every pass binds its targets and reads its shared textures.
extern RenderTargetPool renderTargetPool;

constexpr int kNoiseTextureCount = 50;
constexpr int kNoiseTextureSize = 1024;

// Both multisample entry points are present. Written by init (tests and benchmarks clear it to
// measure the direct path); read by bindTextureFBO1024.
extern bool multisampleAvailable;
// The texture a multisampled 1024 bind renders for, and whether unbindFBO resolves into it. A bind
// of another target clears the flag: the samples were resolved when that use ended. Written by the
// binders; read by unbindFBO.
extern bool multisampleResolvePending;
extern GLuint multisampleResolveTexture;
// Resolves made so far (a count for measurements and tests). Written by unbindFBO; read by tests.
extern int multisampleResolveCount;
