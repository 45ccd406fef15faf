// render_target_pool.cpp - building, binding and releasing the render targets.
#include "render/render_target_pool.h"

#include "engine_api.h"
#include "render/helpers.h"

#include <string>
#include <vector>

using namespace BRAVIK_LUMENVAT;

RenderTargetPool renderTargetPool;
bool multisampleAvailable = false;
bool multisampleResolvePending = false;
GLuint multisampleResolveTexture = 0;
int multisampleResolveCount = 0;

namespace {

const unsigned kBoxStyle = RVK_MB_ICONEXCLAMATION | RVK_MB_TOPMOST;
const int kMaxSamples = 4;
const int kWhiteTextureSize = 64;

void setLinearFilters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void setWraps(GLint wrap)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

void giveDepthStorage(GLuint buffer, int width, int height)
{
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, buffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
}

} // namespace

void RenderTargetPool::init()
{
    gl::logDriver();
    initialised = true;
    gl::requireMultitexture();
    const char* extensions = gl::readExtensions();
    gl::requireCubeMaps(extensions);
    gl::requireVertexBuffers(extensions);
    gl::requireFramebufferObjects(extensions);

    buildTargets();

    gl::loadMultisample(extensions, glRenderbufferStorageMultisampleEXT, glBlitFramebufferEXT);
    multisampleAvailable = glRenderbufferStorageMultisampleEXT && glBlitFramebufferEXT;
    gl::loadSync(extensions);

    giveDepthStorage(depthBuffer1024, 1024, 1024);
    giveDepthStorage(depthBuffer512, 512, 512);
    giveDepthStorage(depthBuffer256, 256, 256);
    giveDepthStorage(depthBuffer128, 128, 128);
    glGenRenderbuffersEXT(1, &depthBufferA);
    glGenRenderbuffersEXT(1, &depthBufferB);
    giveDepthStorage(depthBufferA, depthBufferAWidth, depthBufferAHeight);
    giveDepthStorage(depthBufferB, depthBufferBWidth, depthBufferBHeight);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    buildMultisampleTarget();
    buildTextures();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    gl::requireShaderExtensions(extensions);
    gl::requireShaderFunctions();
}

// The sized framebuffers, their depth renderbuffers (storage comes later) and the depth target.
void RenderTargetPool::buildTargets()
{
    depthBufferAWidth = 800;
    depthBufferAHeight = 600;
    depthBufferBWidth = 400;
    depthBufferBHeight = 300;

    glGenFramebuffersEXT(1, &fbo1024);
    glGenFramebuffersEXT(1, &fbo512);
    glGenFramebuffersEXT(1, &fbo256);
    glGenFramebuffersEXT(1, &fbo128);
    glGenRenderbuffersEXT(1, &depthBuffer1024);
    glGenRenderbuffersEXT(1, &depthBuffer512);
    glGenRenderbuffersEXT(1, &depthBuffer256);
    glGenRenderbuffersEXT(1, &depthBuffer128);
    glGenFramebuffersEXT(1, &depthFBO);

    glGenTextures(1, &depthColorTexture);
    glBindTexture(GL_TEXTURE_2D, depthColorTexture);
    setLinearFilters();
    setWraps(GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1024, 1024, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    checkFBOStatus("init depthCol");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, depthFBO);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, depthColorTexture, 0);
    checkFBOStatus("init depth FBO - attach color");

    buildDepthTexture();
}

// The deepest depth format the driver renders into, with the depth framebuffer bound.
void RenderTargetPool::buildDepthTexture()
{
    static const GLenum kFormats[3] = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT32};
    bool found = false;
    for (int index = 2; index >= 0 && !found; --index) {
        glGenTextures(1, &depthTexture);
        glBindTexture(GL_TEXTURE_2D, depthTexture);
        setLinearFilters();
        setWraps(GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(kFormats[index]), 1024, 1024, 0, GL_DEPTH_COMPONENT,
                     GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, depthTexture, 0);
        if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT) {
            rvkMsg("Debug: Using depth t=%d  (%d) texture\n", index, static_cast<int>(kFormats[index]));
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            found = true;
        } else {
            glDeleteTextures(1, &depthTexture);
            depthTexture = 0;
        }
    }
    if (!found) {
        rvkMsg("\nFAILED: to find suitable depth texture \n");
        rvkMessageBox(rvkGetHWND(),
                      "Depth texture was not initialized!\n\nDepth related effects will not function properly.",
                      "ERROR", kBoxStyle);
        checkFBOStatus("init depthTex");
    }
    checkFBOStatus("init depth FBO - attach depth");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void RenderTargetPool::buildMultisampleTarget()
{
    if (glRenderbufferStorageMultisampleEXT) {
        GLint samples = 0;
        glGetIntegerv(GL_MAX_SAMPLES_EXT, &samples);
        if (samples > kMaxSamples)
            samples = kMaxSamples;
        glGenRenderbuffersEXT(1, &multisampleColorBuffer);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, multisampleColorBuffer);
        glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_RGBA8, 1024, 1024);
        glGenRenderbuffersEXT(1, &multisampleDepthBuffer);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, multisampleDepthBuffer);
        glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, samples, GL_DEPTH_COMPONENT24, 1024, 1024);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
        glGenFramebuffersEXT(1, &multisampleFBO);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, multisampleFBO);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                     multisampleColorBuffer);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     multisampleDepthBuffer);
        checkFBOStatus("init multisample fbo");
    }

    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT)
        return;
    if (status == GL_FRAMEBUFFER_UNSUPPORTED_EXT) {
        rvkMessageBox(rvkGetHWND(),
                      "GL_FRAMEBUFFER_UNSUPPORTED_EXT! \n\nYour GFX cards current drivers do not support\n"
                      "FrameBufferObjects extension. Please, upgrade your graphics card drivers.",
                      "ERROR", kBoxStyle);
        rvkExitProcess(0);
    }
    // Without this line the process would vanish without a word.
    rvkMsg("init multisample fbo: framebuffer status 0x%x, the render targets cannot be used\n", status);
    rvkExitProcess(0);
}

// The shared targets, the noise textures and the white texture.
void RenderTargetPool::buildTextures()
{
    createTargetTexture(texture1024A, 1024, 1024);
    createTargetTexture(texture1024B, 1024, 1024);
    createTargetTexture(texture1024C, 1024, 1024);
    createTargetTexture(texture512A, 512, 512);
    createTargetTexture(texture512B, 512, 512);
    createTargetTexture(texture256A, 256, 256);
    createTargetTexture(texture256B, 256, 256);
    createTargetTexture(texture128A, 128, 128);
    createTargetTexture(texture128B, 128, 128);
    createTargetTexture(screenTexture1024, 1024, 1024);
    createTargetTexture(screenTexture512, 512, 512);

    // The C library generator has not been reseeded before this point, so the noise is the same
    // on every run; the effects depend on that.
    noiseTextures = new GLuint[kNoiseTextureCount];
    std::vector<unsigned char> buffer(static_cast<size_t>(kNoiseTextureSize) * kNoiseTextureSize);
    for (int i = 0; i < kNoiseTextureCount; ++i) {
        glGenTextures(1, &noiseTextures[i]);
        glBindTexture(GL_TEXTURE_2D, noiseTextures[i]);
        setLinearFilters();
        crt::fillModulo255(buffer.data(), buffer.size());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, kNoiseTextureSize, kNoiseTextureSize, 0, GL_LUMINANCE,
                     GL_UNSIGNED_BYTE, buffer.data());
    }

    std::vector<unsigned char> white(kWhiteTextureSize * kWhiteTextureSize, 255);
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, kWhiteTextureSize, kWhiteTextureSize, 0, GL_LUMINANCE,
                 GL_UNSIGNED_BYTE, white.data());
    setLinearFilters();
    setWraps(GL_CLAMP);
}

void RenderTargetPool::createTargetTexture(GLuint& texture, int width, int height)
{
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setLinearFilters();
    setWraps(GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
}

void RenderTargetPool::release()
{
    if (!initialised)
        return;
    GLuint textures[] = {screenTexture1024, screenTexture512, texture1024A, texture1024B,
                         texture1024C,      texture512A,      texture512B,  texture256A,
                         texture256B,       texture128A,      texture128B};
    glDeleteTextures(static_cast<GLsizei>(sizeof textures / sizeof textures[0]), textures);
    GLuint framebuffers[] = {fbo1024, fbo512, fbo256, fbo128};
    glDeleteFramebuffersEXT(4, framebuffers);
    GLuint depthBuffers[] = {depthBuffer1024, depthBuffer512, depthBuffer256, depthBuffer128};
    glDeleteRenderbuffersEXT(4, depthBuffers);
    // A second release must not delete names that GL may since have handed out again.
    initialised = false;
}

bool RenderTargetPool::checkFBOStatus(const char* name)
{
    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    switch (status) {
    case GL_FRAMEBUFFER_COMPLETE_EXT:
        return true;
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT - Framebuffer incomplete,incomplete attachment\n",
               name);
        return false;
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT - Framebuffer incomplete,missing attachment\n",
               name);
        return false;
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT - Framebuffer incomplete,attached images must have "
               "same dimensions\n",
               name);
        return false;
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT - Framebuffer incomplete,attached images must have same "
               "format\n",
               name);
        return false;
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT - Framebuffer incomplete,missing draw buffer\n", name);
        return false;
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        rvkMsg("%s: GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT - Framebuffer incomplete,missing read buffer\n", name);
        return false;
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT: {
        rvkMsg("%s: GL_FRAMEBUFFER_UNSUPPORTED_EXT - Framebuffer not supported\n", name);
        std::string text = std::string("GL_FRAMEBUFFER_UNSUPPORTED_EXT! \n\nYour GFX cards current drivers do not "
                                       "support FrameBufferObjects extension. \nPlease, upgrade your graphics card "
                                       "drivers.\nIf newest drivers won't help you need to use other graphics "
                                       "cards.\n\nDebug info: '") +
                           name + "'";
        rvkMessageBox(rvkGetHWND(), text.c_str(), "ERROR", kBoxStyle);
        rvkExitProcess(0);
    }
    default:
        rvkMsg("%s: UNRESOLVED FRAMEBUFFER ERROR - Check ext loading\n", name);
        return true;
    }
}

// The one sized bind: `texture` as the colour of `fbo` over the depth renderbuffer of its size,
// checked under `name`, the viewport on the whole target. Ends any pending multisample resolve.
void RenderTargetPool::bindSizedTarget(const char* name, GLuint fbo, GLuint depthBuffer, int size, GLuint texture)
{
    multisampleResolvePending = false;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depthBuffer);
    checkFBOStatus(name);
    glViewport(0, 0, size, size);
}

void RenderTargetPool::bindDepthFBO()
{
    multisampleResolvePending = false;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, depthFBO);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, depthTexture, 0);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, depthColorTexture, 0);
    checkFBOStatus("bindDepthFBO");
    glViewport(0, 0, 1024, 1024);
}

void RenderTargetPool::bindTextureFBO1024(GLuint texture, bool direct)
{
    if (glRenderbufferStorageMultisampleEXT && multisampleAvailable && !direct) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, multisampleFBO);
        multisampleResolveTexture = texture;
        multisampleResolvePending = true;
        glViewport(0, 0, 1024, 1024);
    } else {
        bindSizedTarget("bindTextureFBO1024", fbo1024, depthBuffer1024, 1024, texture);
    }
}

void RenderTargetPool::bindTextureFBO512(GLuint texture)
{
    bindSizedTarget("bindTextureFBO512", fbo512, depthBuffer512, 512, texture);
}

void RenderTargetPool::bindTextureFBO256(GLuint texture)
{
    bindSizedTarget("bindTextureFBO256", fbo256, depthBuffer256, 256, texture);
}

void RenderTargetPool::bindTextureFBO128(GLuint texture)
{
    bindSizedTarget("bindTextureFBO128", fbo128, depthBuffer128, 128, texture);
}

// Resolves a multisampled 1024 render into its texture; the pending flag stays set until another
// target is bound, so a second unbind right after resolves the same samples again.
void RenderTargetPool::unbindFBO()
{
    if (glRenderbufferStorageMultisampleEXT && multisampleResolvePending) {
        glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, multisampleFBO);
        glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, fbo1024);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  multisampleResolveTexture, 0);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     depthBuffer1024);
        glBlitFramebufferEXT(0, 0, 1024, 1024, 0, 0, 1024, 1024, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT,
                             GL_NEAREST);
        ++multisampleResolveCount;
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    rvkResetViewport();
}
