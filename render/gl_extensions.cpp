// gl_extensions.cpp - fetching the GL entry points, and the boxes for a driver that lacks them.
#include "render/gl_extensions.h"

#include "engine_api.h"

#include <cstring>

using namespace BRAVIK_LUMENVAT;

#define SUBLUMEN_GL_DEFINE(type, name) type name = nullptr;
SUBLUMEN_GL_MULTITEXTURE(SUBLUMEN_GL_DEFINE)
SUBLUMEN_GL_VERTEX_BUFFERS(SUBLUMEN_GL_DEFINE)
SUBLUMEN_GL_SYNC(SUBLUMEN_GL_DEFINE)
SUBLUMEN_GL_FRAMEBUFFERS(SUBLUMEN_GL_DEFINE)
SUBLUMEN_GL_SHADERS(SUBLUMEN_GL_DEFINE)
#undef SUBLUMEN_GL_DEFINE

namespace gl {

namespace {

const unsigned kWarningStyle = RVK_MB_ICONEXCLAMATION | RVK_MB_TOPMOST;
const unsigned kErrorStyle = RVK_MB_ICONHAND | RVK_MB_TOPMOST;

const char* driverExtensions()
{
    const GLubyte* text = glGetString(GL_EXTENSIONS);
    return text ? reinterpret_cast<const char*>(text) : "";
}

LoaderSource source = defaultLoaderSource();

[[noreturn]] void fail(const char* caption, unsigned style, const char* text, int code)
{
    rvkMessageBox(rvkGetHWND(), text, caption, style);
    rvkExitProcess(code);
}

// Fetches one entry point into its pointer; false when the driver has none by that name.
template <typename Pointer>
bool fetch(Pointer& pointer, const char* name)
{
    pointer = reinterpret_cast<Pointer>(source.getProcAddress(name));
    return pointer != nullptr;
}

} // namespace

LoaderSource defaultLoaderSource()
{
    LoaderSource s;
    s.getProcAddress = rvkGetProcAddress;
    s.getExtensions = driverExtensions;
    return s;
}

void setLoaderSource(const LoaderSource& replacement)
{
    source = replacement;
}

bool hasExtension(const char* extensions, const char* name)
{
    return extensions && std::strstr(extensions, name) != nullptr;
}

void logDriver()
{
    char vendor[256] = {};
    const GLubyte* text = glGetString(GL_VENDOR);
    std::strncpy(vendor, text ? reinterpret_cast<const char*>(text) : "", sizeof vendor - 1);
    const GLubyte* renderer = glGetString(GL_RENDERER);
    const GLubyte* version = glGetString(GL_VERSION);
    rvkMsg("Your graphics cards vendor is %s\n", vendor);
    rvkMsg("Renderer %s\n", renderer ? reinterpret_cast<const char*>(renderer) : "");
    rvkMsg("Version %s\n", version ? reinterpret_cast<const char*>(version) : "");
}

// Every fetch of a group runs, so that a missing one leaves no pointer of the group stale.
#define SUBLUMEN_GL_FETCH(type, name) found = fetch(name, #name) && found;

void requireMultitexture()
{
    bool found = true;
    SUBLUMEN_GL_MULTITEXTURE(SUBLUMEN_GL_FETCH)
    if (!found)
        fail("ERROR", kWarningStyle,
             "Some needed OpenGL extensions could not be found.\nPlease update your video card drivers!\n\n"
             "[ext. funcs:glActiveTextureARB or glMultiTexCoord2fARB or glMultiTexCoord4fARB]",
             -1);
}

const char* readExtensions()
{
    const char* extensions = source.getExtensions();
    return extensions ? extensions : "";
}

void requireCubeMaps(const char* extensions)
{
    if (!hasExtension(extensions, "EXT_texture_cube_map"))
        fail("ERROR", kWarningStyle,
             "Your graphics card didn't support cube map texturing.\nTry updating your video card drivers \n"
             "(EXT_texture_cube_map extension was not found)",
             -1);
}

void requireVertexBuffers(const char* extensions)
{
    if (!hasExtension(extensions, "GL_ARB_vertex_buffer_object"))
        fail("ERROR", kWarningStyle,
             "Your graphics card didn't support framebufferobjects.\nTry updating your video card drivers \n"
             "(EXT_framebuffer_object extension was not found)",
             -1);
    bool found = true;
    SUBLUMEN_GL_VERTEX_BUFFERS(SUBLUMEN_GL_FETCH)
    if (!found)
        fail("ERROR", kWarningStyle,
             "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers \n\n"
             "(not all EXT_framebuffer_object functions could be fetched)",
             -1);
}

void requireFramebufferObjects(const char* extensions)
{
    if (!hasExtension(extensions, "EXT_framebuffer_object"))
        fail("ERROR", kWarningStyle,
             "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers \n"
             "(EXT_framebuffer_object extension was not found)",
             -1);
    bool found = true;
    SUBLUMEN_GL_FRAMEBUFFERS(SUBLUMEN_GL_FETCH)
    if (!found)
        fail("ERROR", kWarningStyle,
             "Your graphics card doesn't support framebufferobjects.\nTry updating your video card drivers \n"
             "(not all EXT_framebuffer_object functions could be fetched)",
             -1);
}

void loadMultisample(const char* extensions, PFNGLRENDERBUFFERSTORAGEMULTISAMPLEEXTPROC& storage,
                     PFNGLBLITFRAMEBUFFEREXTPROC& blit)
{
    storage = nullptr;
    blit = nullptr;
    if (hasExtension(extensions, "GL_EXT_framebuffer_multisample"))
        fetch(storage, "glRenderbufferStorageMultisampleEXT");
    if (hasExtension(extensions, "GL_EXT_framebuffer_blit"))
        fetch(blit, "glBlitFramebufferEXT");
}

void loadSync(const char* extensions)
{
    bool found = hasExtension(extensions, "GL_ARB_sync");
    if (found) {
        SUBLUMEN_GL_SYNC(SUBLUMEN_GL_FETCH)
    }
    if (!found) {
        glFenceSync = nullptr;
        glClientWaitSync = nullptr;
        glDeleteSync = nullptr;
    }
}

void requireShaderExtensions(const char* extensions)
{
    static const char* const kRequired[] = {
        "GL_ARB_fragment_shader", "GL_ARB_fragment_program", "GL_ARB_shading_language_100",
        "GL_ARB_vertex_shader",   "GL_ARB_shader_objects",   "GL_ARB_shadow",
        "GL_ARB_depth_texture",
    };
    for (const char* name : kRequired)
        if (!hasExtension(extensions, name))
            fail("Error!", kErrorStyle,
                 "Your graphics card doesn't support the needed extensions.\n"
                 "No required OpenGL extensions can be used. \n\n"
                 "[GL_ARB_fragment_shader, GL_ARB_fragment_program, GL_ARB_shading_language_100,\n"
                 "GL_ARB_vertex_shader, GL_ARB_shader_objects, GL_ARB_shadow, GL_ARB_depth_texture]",
                 0);
}

void requireShaderFunctions()
{
    bool found = true;
    SUBLUMEN_GL_SHADERS(SUBLUMEN_GL_FETCH)
    if (!found)
        fail("ERROR", kWarningStyle,
             "Some needed OpenGL extensions functions could not be accessed.\nPlease update your video card "
             "drivers!\n\n[Fragment & Vertex shaders functions]",
             -1);
}

#undef SUBLUMEN_GL_FETCH

} // namespace gl
