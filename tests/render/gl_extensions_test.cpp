// The loader against drivers that lack something: each start-up runs in a child process with a
// lookup or an extension string that hides one thing, and ends with its box and exit status.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/render_target_pool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

using namespace rendertest;

namespace {

// What the child's driver pretends to lack (set in the child before the loader runs).
const char* hiddenFunction = nullptr;
const char* hiddenExtension = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC replacementStatus = nullptr;

void* lookupHiding(const char* name)
{
    if (hiddenFunction && std::strcmp(name, hiddenFunction) == 0)
        return nullptr;
    if (replacementStatus && std::strcmp(name, "glCheckFramebufferStatusEXT") == 0)
        return reinterpret_cast<void*>(replacementStatus);
    return BRAVIK_LUMENVAT::rvkGetProcAddress(name);
}

// The driver's string without every name that contains the hidden text.
const char* extensionsHiding()
{
    static std::string kept;
    std::istringstream names(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    std::string name;
    kept.clear();
    while (names >> name)
        if (!hiddenExtension || name.find(hiddenExtension) == std::string::npos)
            kept += name + " ";
    return kept.c_str();
}

void useHidingSource()
{
    gl::LoaderSource source;
    source.getProcAddress = lookupHiding;
    source.getExtensions = extensionsHiding;
    gl::setLoaderSource(source);
}

// The exit code a completed start-up reports, beside whatever the body checks.
constexpr int kStartedUp = 42;

// Whether the last steps of the render-target build had run when the process ended: written
// from an exit handler, since the failing steps end the process from inside init.
std::string targetsMarkerPath;
void writeTargetsMarker()
{
    const RenderTargetPool& pool = renderTargetPool;
    bool built = pool.screenTexture512 != 0 && pool.noiseTextures && pool.whiteTexture != 0;
    if (FILE* file = std::fopen(targetsMarkerPath.c_str(), "w")) {
        std::fputs(built ? "built" : "missing", file);
        std::fclose(file);
    }
}

ChildResult startUpHiding(const char* function, const char* extension)
{
    targetsMarkerPath = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/sublumen-marker-" +
                        std::to_string(getpid());
    std::remove(targetsMarkerPath.c_str());
    return runInChild([&] {
        hiddenFunction = function;
        hiddenExtension = extension;
        useHidingSource();
        std::atexit(writeTargetsMarker);
        renderTargetPool.init();
        return kStartedUp;
    });
}

std::string targetsMarker()
{
    std::string text;
    if (FILE* file = std::fopen(targetsMarkerPath.c_str(), "r")) {
        char buffer[16] = {};
        text = std::fgets(buffer, sizeof buffer, file) ? buffer : "";
        std::fclose(file);
    }
    return text;
}

const char* const kM1 = "Some needed OpenGL extensions could not be found.\nPlease update your video card drivers!\n\n"
                        "[ext. funcs:glActiveTextureARB or glMultiTexCoord2fARB or glMultiTexCoord4fARB]";
const char* const kM2 = "Your graphics card didn't support cube map texturing.\nTry updating your video card drivers \n"
                        "(EXT_texture_cube_map extension was not found)";
const char* const kM3 = "Your graphics card didn't support framebufferobjects.\nTry updating your video card drivers \n"
                        "(EXT_framebuffer_object extension was not found)";
const char* const kM4 = "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers "
                        "\n\n(not all EXT_framebuffer_object functions could be fetched)";
const char* const kM5 = "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers "
                        "\n(EXT_framebuffer_object extension was not found)";
const char* const kM6 = "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers "
                        "\n(not all EXT_framebuffer_object functions could be fetched)";
const char* const kM7 = "Your graphics card doesn't support the needed extensions.\nNo required OpenGL extensions can "
                        "be used. \n\n[GL_ARB_fragment_shader, GL_ARB_fragment_program, "
                        "GL_ARB_shading_language_100,\nGL_ARB_vertex_shader, GL_ARB_shader_objects, GL_ARB_shadow, "
                        "GL_ARB_depth_texture]";
const char* const kM8 = "Some needed OpenGL extensions functions could not be accessed.\nPlease update your video card "
                        "drivers!\n\n[Fragment & Vertex shaders functions]";

struct FatalCase {
    const char* function;
    const char* extension;
    const char* caption;
    const char* text;
    int exitStatus;
    bool afterTargets;
};

void expectFatal(const FatalCase& c)
{
    SCOPED_TRACE(std::string("hiding ") + (c.function ? c.function : c.extension));
    ChildResult result = startUpHiding(c.function, c.extension);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_NE(result.log.find(boxLine(c.caption, c.text)), std::string::npos) << result.log;
    EXPECT_EQ(targetsMarker(), c.afterTargets ? "built" : "missing");
    // Exactly one box, and the driver lines came first.
    EXPECT_EQ(result.log.find("[box]"), result.log.rfind("[box]"));
    EXPECT_LT(result.log.find("Your graphics cards vendor is "), result.log.find("[box]"));
}

} // namespace

TEST(GLLoader, AMissingMultitextureFunctionEndsWithM1)
{
    expectFatal({"glMultiTexCoord4fARB", nullptr, "ERROR", kM1, 255, false});
}

// The ARB cube-map extension stays in the string: only a name containing EXT_texture_cube_map counts.
TEST(GLLoader, MissingCubeMapsEndWithM2)
{
    expectFatal({nullptr, "EXT_texture_cube_map", "ERROR", kM2, 255, false});
}

TEST(GLLoader, MissingVertexBuffersEndWithM3AndAMissingBufferFunctionWithM4)
{
    expectFatal({nullptr, "GL_ARB_vertex_buffer_object", "ERROR", kM3, 255, false});
    expectFatal({"glDeleteBuffersARB", nullptr, "ERROR", kM4, 255, false});
}

TEST(GLLoader, MissingFramebufferObjectsEndWithM5AndAMissingFramebufferFunctionWithM6)
{
    expectFatal({nullptr, "EXT_framebuffer_object", "ERROR", kM5, 255, false});
    expectFatal({"glGenerateMipmapEXT", nullptr, "ERROR", kM6, 255, false});
}

TEST(GLLoader, AnyMissingShaderExtensionEndsWithM7AndStatusZeroAfterTheTargetsAreBuilt)
{
    expectFatal({nullptr, "GL_ARB_shadow", "Error!", kM7, 0, true});
    expectFatal({nullptr, "GL_ARB_shading_language_100", "Error!", kM7, 0, true});
}

TEST(GLLoader, AMissingShaderFunctionEndsWithM8AfterTheTargetsAreBuilt)
{
    expectFatal({"glVertexAttribPointer", nullptr, "ERROR", kM8, 255, true});
    expectFatal({"glDeleteProgram", nullptr, "ERROR", kM8, 255, true});
}

TEST(GLLoader, WithoutBlitThe1024TargetRendersStraightIntoItsTexture)
{
    ChildResult result = runInChild([] {
        hiddenExtension = "GL_EXT_framebuffer_blit";
        useHidingSource();
        renderTargetPool.init();
        if (multisampleAvailable || renderTargetPool.glBlitFramebufferEXT || !renderTargetPool.glRenderbufferStorageMultisampleEXT)
            return 1;
        GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 255, 255));
        renderTargetPool.bindTextureFBO1024(texture, false);
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
        if (static_cast<GLuint>(bound) != renderTargetPool.fbo1024)
            return 2;
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        renderTargetPool.unbindFBO();
        return readTexture(texture).at(512, 512) == rgba(255, 0, 0, 255) ? kStartedUp : 3;
    });
    EXPECT_EQ(result.exitStatus, kStartedUp) << result.log;
    EXPECT_EQ(result.log.find("[box]"), std::string::npos);
}

TEST(GLLoader, WithoutMultisampleNoMultisampleTargetIsBuilt)
{
    ChildResult result = runInChild([] {
        hiddenExtension = "GL_EXT_framebuffer_multisample";
        useHidingSource();
        renderTargetPool.init();
        if (multisampleAvailable || renderTargetPool.glRenderbufferStorageMultisampleEXT || renderTargetPool.multisampleFBO)
            return 1;
        GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 255, 255));
        renderTargetPool.bindTextureFBO1024(texture, false);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        renderTargetPool.unbindFBO();
        return readTexture(texture).at(3, 3) == rgba(0, 255, 0, 255) ? kStartedUp : 2;
    });
    EXPECT_EQ(result.exitStatus, kStartedUp) << result.log;
}

// ---------------------------------------------------------------------------------------------
// Framebuffer status through a driver whose status check is replaced
// ---------------------------------------------------------------------------------------------

namespace {

PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC realStatus = nullptr;
GLint acceptedDepthFormat = 0; // 0: no depth texture format renders

GLenum APIENTRY statusAcceptingOneDepthFormat(GLenum target)
{
    GLint type = 0, name = 0;
    glGetFramebufferAttachmentParameterivEXT(target, GL_DEPTH_ATTACHMENT_EXT,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT, &type);
    if (type == GL_TEXTURE) {
        glGetFramebufferAttachmentParameterivEXT(target, GL_DEPTH_ATTACHMENT_EXT,
                                                     GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &name);
        GLint bound = 0, format = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        if (format != acceptedDepthFormat)
            return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT;
    }
    return realStatus(target);
}

GLenum APIENTRY statusFailingMultisample(GLenum target)
{
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    if (bound != 0 && static_cast<GLuint>(bound) == renderTargetPool.multisampleFBO)
        return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT;
    return realStatus(target);
}

ChildResult startUpWithStatus(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC status, GLint depthFormat,
                              const std::function<int()>& after)
{
    return runInChild([=] {
        realStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC>(
            BRAVIK_LUMENVAT::rvkGetProcAddress("glCheckFramebufferStatusEXT"));
        replacementStatus = status;
        acceptedDepthFormat = depthFormat;
        useHidingSource();
        renderTargetPool.init();
        return after();
    });
}

} // namespace

TEST(DepthTexture, ADriverWithOnly16BitDepthTexturesFallsBackToThem)
{
    ChildResult result = startUpWithStatus(statusAcceptingOneDepthFormat, GL_DEPTH_COMPONENT16,
                                           [] { return renderTargetPool.depthTexture ? kStartedUp : 1; });
    EXPECT_EQ(result.exitStatus, kStartedUp) << result.log;
    EXPECT_NE(result.log.find("Debug: Using depth t=0  (33189) texture\n"), std::string::npos) << result.log;
    EXPECT_EQ(result.log.find("FAILED"), std::string::npos);
}

TEST(DepthTexture, ADriverWithNoDepthTextureWarnsAndGoesOnWithout)
{
    ChildResult result = startUpWithStatus(statusAcceptingOneDepthFormat, 0, [] {
        return renderTargetPool.depthTexture == 0 && renderTargetPool.whiteTexture ? kStartedUp : 1;
    });
    EXPECT_EQ(result.exitStatus, kStartedUp) << result.log;
    EXPECT_NE(result.log.find("\nFAILED: to find suitable depth texture \n"), std::string::npos);
    EXPECT_NE(result.log.find(boxLine("ERROR", "Depth texture was not initialized!\n\nDepth related effects will "
                                               "not function properly.")),
              std::string::npos)
        << result.log;
    EXPECT_EQ(result.log.find("Debug: Using depth"), std::string::npos);
}

TEST(FramebufferStatus, AnIncompleteMultisampleTargetEndsTheStartUpWithStatusZeroAndALogLine)
{
    ChildResult result = startUpWithStatus(statusFailingMultisample, GL_DEPTH_COMPONENT32,
                                           [] { return kStartedUp; });
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.log.find("init multisample fbo: GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT - Framebuffer "
                              "incomplete,incomplete attachment\n"),
              std::string::npos)
        << result.log;
    EXPECT_NE(result.log.find("the render targets cannot be used"), std::string::npos);
}

TEST(FramebufferStatus, AnUnsupportedFramebufferAtBindTimeEndsWithItsBoxAndStatusZero)
{
    ChildResult result = runInChild([] {
        renderTargetPool.init();
        glCheckFramebufferStatusEXT = [](GLenum) -> GLenum { return GL_FRAMEBUFFER_UNSUPPORTED_EXT; };
        renderTargetPool.bindTextureFBO512(renderTargetPool.texture512A);
        return kStartedUp;
    });
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.log.find("bindTextureFBO512: GL_FRAMEBUFFER_UNSUPPORTED_EXT - Framebuffer not supported\n"),
              std::string::npos);
    EXPECT_NE(result.log.find(boxLine("ERROR", "GL_FRAMEBUFFER_UNSUPPORTED_EXT! \n\nYour GFX cards current "
                                               "drivers do not support FrameBufferObjects extension. \nPlease, "
                                               "upgrade your graphics card drivers.\nIf newest drivers won't help "
                                               "you need to use other graphics cards.\n\nDebug info: "
                                               "'bindTextureFBO512'")),
              std::string::npos)
        << result.log;
}

TEST(RenderTargetPool, ReleaseDeletesTheSharedTexturesAndTheSizedTargets)
{
    ChildResult result = runInChild([] {
        renderTargetPool.init();
        RenderTargetPool& pool = renderTargetPool;
        GLuint texture = pool.texture1024A, fbo = pool.fbo512, depth = pool.depthBuffer128;
        pool.release();
        if (glIsTexture(texture) || glIsFramebufferEXT(fbo) || glIsRenderbufferEXT(depth))
            return 1;
        // The depth target and the noise survive: only what the effects render into goes.
        if (!glIsTexture(pool.depthColorTexture) || !glIsTexture(pool.noiseTextures[0]))
            return 2;
        pool.release();
        return kStartedUp;
    });
    EXPECT_EQ(result.exitStatus, kStartedUp) << result.log;
}
