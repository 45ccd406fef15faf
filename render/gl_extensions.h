// gl_extensions.h - the GL entry points newer than 1.1, fetched once at start-up.
//
// Every entry point the system calls beyond GL 1.1 is a program-wide pointer, fetched by its
// standard name through the engine's proc-address lookup and called under that same name: this
// header maps each name to its pointer in namespace gl. The pointers stay out of the global C
// symbol space on purpose: libGL exports functions under these very names, and the executable
// exports its symbols, so a global variable named glActiveTextureARB would be bound in place of
// the driver's own function.
//
// Include this header instead of <GL/gl.h> wherever extension entry points are called, and never
// define GL_GLEXT_PROTOTYPES: the names below are macros from here on.
//
// The loader (RenderTargetPool::init runs it, interleaved with building the render targets) is
// strict: a missing required extension or entry point shows a box and ends the process.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#ifdef GL_GLEXT_PROTOTYPES
#error "GL_GLEXT_PROTOTYPES would declare functions under the names of the entry-point pointers"
#endif

// The entry points by group, in the order they are fetched: X(pointer type, name).
#define SUBLUMEN_GL_MULTITEXTURE(X)                                                                  \
    X(PFNGLACTIVETEXTUREARBPROC, glActiveTextureARB)                                                 \
    X(PFNGLMULTITEXCOORD2FARBPROC, glMultiTexCoord2fARB)                                             \
    X(PFNGLMULTITEXCOORD4FARBPROC, glMultiTexCoord4fARB)

#define SUBLUMEN_GL_VERTEX_BUFFERS(X)                                                                \
    X(PFNGLGENBUFFERSARBPROC, glGenBuffersARB)                                                       \
    X(PFNGLBINDBUFFERARBPROC, glBindBufferARB)                                                       \
    X(PFNGLBUFFERDATAARBPROC, glBufferDataARB)                                                       \
    X(PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB)

// Optional: where the driver has no fences, large draws are only flushed, not paced.
#define SUBLUMEN_GL_SYNC(X)                                                                          \
    X(PFNGLFENCESYNCPROC, glFenceSync)                                                               \
    X(PFNGLCLIENTWAITSYNCPROC, glClientWaitSync)                                                     \
    X(PFNGLDELETESYNCPROC, glDeleteSync)

#define SUBLUMEN_GL_FRAMEBUFFERS(X)                                                                  \
    X(PFNGLISRENDERBUFFEREXTPROC, glIsRenderbufferEXT)                                               \
    X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)                                           \
    X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)                                     \
    X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)                                           \
    X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)                                     \
    X(PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC, glGetRenderbufferParameterivEXT)                       \
    X(PFNGLISFRAMEBUFFEREXTPROC, glIsFramebufferEXT)                                                 \
    X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)                                             \
    X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)                                       \
    X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)                                             \
    X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT)                               \
    X(PFNGLFRAMEBUFFERTEXTURE1DEXTPROC, glFramebufferTexture1DEXT)                                   \
    X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT)                                   \
    X(PFNGLFRAMEBUFFERTEXTURE3DEXTPROC, glFramebufferTexture3DEXT)                                   \
    X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT)                             \
    X(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC, glGetFramebufferAttachmentParameterivEXT)     \
    X(PFNGLGENERATEMIPMAPEXTPROC, glGenerateMipmapEXT)

#define SUBLUMEN_GL_SHADERS(X)                                                                       \
    X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB)                                     \
    X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB)                                                   \
    X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB)                                       \
    X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB)                                                   \
    X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB)                                                 \
    X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB)                                   \
    X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB)                                                   \
    X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB)                                                       \
    X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB)                                                     \
    X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB)                                           \
    X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB)                                       \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                       \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                         \
    X(PFNGLISPROGRAMPROC, glIsProgram)                                                               \
    X(PFNGLISSHADERPROC, glIsShader)                                                                 \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                               \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                                 \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                               \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                                                               \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                                               \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                               \
    X(PFNGLGETUNIFORMFVARBPROC, glGetUniformfvARB)                                                   \
    X(PFNGLGETUNIFORMIVARBPROC, glGetUniformivARB)                                                   \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                               \
    X(PFNGLUNIFORM2IPROC, glUniform2i)                                                               \
    X(PFNGLUNIFORM3IPROC, glUniform3i)                                                               \
    X(PFNGLUNIFORM4IPROC, glUniform4i)                                                               \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                                             \
    X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                                             \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                                             \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                             \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                             \
    X(PFNGLUNIFORM2IVPROC, glUniform2iv)                                                             \
    X(PFNGLUNIFORM3IVPROC, glUniform3iv)                                                             \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                                             \
    X(PFNGLUNIFORMMATRIX2FVPROC, glUniformMatrix2fv)                                                 \
    X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv)                                                 \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                                 \
    X(PFNGLVALIDATEPROGRAMPROC, glValidateProgram)                                                   \
    X(PFNGLVERTEXATTRIB1DPROC, glVertexAttrib1d)                                                     \
    X(PFNGLVERTEXATTRIB1DVPROC, glVertexAttrib1dv)                                                   \
    X(PFNGLVERTEXATTRIB1FPROC, glVertexAttrib1f)                                                     \
    X(PFNGLVERTEXATTRIB1FVPROC, glVertexAttrib1fv)                                                   \
    X(PFNGLVERTEXATTRIB1SPROC, glVertexAttrib1s)                                                     \
    X(PFNGLVERTEXATTRIB1SVPROC, glVertexAttrib1sv)                                                   \
    X(PFNGLVERTEXATTRIB2DPROC, glVertexAttrib2d)                                                     \
    X(PFNGLVERTEXATTRIB2DVPROC, glVertexAttrib2dv)                                                   \
    X(PFNGLVERTEXATTRIB2FPROC, glVertexAttrib2f)                                                     \
    X(PFNGLVERTEXATTRIB2FVPROC, glVertexAttrib2fv)                                                   \
    X(PFNGLVERTEXATTRIB2SPROC, glVertexAttrib2s)                                                     \
    X(PFNGLVERTEXATTRIB2SVPROC, glVertexAttrib2sv)                                                   \
    X(PFNGLVERTEXATTRIB3DPROC, glVertexAttrib3d)                                                     \
    X(PFNGLVERTEXATTRIB3DVPROC, glVertexAttrib3dv)                                                   \
    X(PFNGLVERTEXATTRIB3FPROC, glVertexAttrib3f)                                                     \
    X(PFNGLVERTEXATTRIB3FVPROC, glVertexAttrib3fv)                                                   \
    X(PFNGLVERTEXATTRIB3SPROC, glVertexAttrib3s)                                                     \
    X(PFNGLVERTEXATTRIB3SVPROC, glVertexAttrib3sv)                                                   \
    X(PFNGLVERTEXATTRIB4NBVPROC, glVertexAttrib4Nbv)                                                 \
    X(PFNGLVERTEXATTRIB4NIVPROC, glVertexAttrib4Niv)                                                 \
    X(PFNGLVERTEXATTRIB4NSVPROC, glVertexAttrib4Nsv)                                                 \
    X(PFNGLVERTEXATTRIB4NUBPROC, glVertexAttrib4Nub)                                                 \
    X(PFNGLVERTEXATTRIB4NUBVPROC, glVertexAttrib4Nubv)                                               \
    X(PFNGLVERTEXATTRIB4NUIVPROC, glVertexAttrib4Nuiv)                                               \
    X(PFNGLVERTEXATTRIB4NUSVPROC, glVertexAttrib4Nusv)                                               \
    X(PFNGLVERTEXATTRIB4BVPROC, glVertexAttrib4bv)                                                   \
    X(PFNGLVERTEXATTRIB4DPROC, glVertexAttrib4d)                                                     \
    X(PFNGLVERTEXATTRIB4DVPROC, glVertexAttrib4dv)                                                   \
    X(PFNGLVERTEXATTRIB4FPROC, glVertexAttrib4f)                                                     \
    X(PFNGLVERTEXATTRIB4FVPROC, glVertexAttrib4fv)                                                   \
    X(PFNGLVERTEXATTRIB4IVPROC, glVertexAttrib4iv)                                                   \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)

namespace gl {

#define SUBLUMEN_GL_DECLARE(type, name) extern type name;
SUBLUMEN_GL_MULTITEXTURE(SUBLUMEN_GL_DECLARE)
SUBLUMEN_GL_VERTEX_BUFFERS(SUBLUMEN_GL_DECLARE)
SUBLUMEN_GL_SYNC(SUBLUMEN_GL_DECLARE)
SUBLUMEN_GL_FRAMEBUFFERS(SUBLUMEN_GL_DECLARE)
SUBLUMEN_GL_SHADERS(SUBLUMEN_GL_DECLARE)
#undef SUBLUMEN_GL_DECLARE

// Where the loader looks things up: the engine's proc-address lookup and the driver's
// GL_EXTENSIONS string, unless a test puts its own in (to play a driver that lacks something).
struct LoaderSource {
    void* (*getProcAddress)(const char* name) = nullptr;
    const char* (*getExtensions)() = nullptr;
};
void setLoaderSource(const LoaderSource& source);
// The engine's lookup and the driver's string: what the production uses.
LoaderSource defaultLoaderSource();

// Plain substring search of the extension string, as every test of the loader makes it.
bool hasExtension(const char* extensions, const char* name);

// The loader's steps, in the order RenderTargetPool::init runs them. Each require* step shows
// its box and ends the process when something is missing.
void logDriver();
void requireMultitexture();
const char* readExtensions();
void requireCubeMaps(const char* extensions);
void requireVertexBuffers(const char* extensions);
void requireFramebufferObjects(const char* extensions);
// The optional multisample pair; null where the extension is absent.
void loadMultisample(const char* extensions, PFNGLRENDERBUFFERSTORAGEMULTISAMPLEEXTPROC& storage,
                     PFNGLBLITFRAMEBUFFEREXTPROC& blit);
// The optional fences (GL_ARB_sync): all three entry points, or none of them.
void loadSync(const char* extensions);
void requireShaderExtensions(const char* extensions);
void requireShaderFunctions();

} // namespace gl

// From here on the standard names call the fetched pointers.
#define glActiveTextureARB gl::glActiveTextureARB
#define glMultiTexCoord2fARB gl::glMultiTexCoord2fARB
#define glMultiTexCoord4fARB gl::glMultiTexCoord4fARB
#define glGenBuffersARB gl::glGenBuffersARB
#define glBindBufferARB gl::glBindBufferARB
#define glBufferDataARB gl::glBufferDataARB
#define glDeleteBuffersARB gl::glDeleteBuffersARB
#define glFenceSync gl::glFenceSync
#define glClientWaitSync gl::glClientWaitSync
#define glDeleteSync gl::glDeleteSync
#define glIsRenderbufferEXT gl::glIsRenderbufferEXT
#define glBindRenderbufferEXT gl::glBindRenderbufferEXT
#define glDeleteRenderbuffersEXT gl::glDeleteRenderbuffersEXT
#define glGenRenderbuffersEXT gl::glGenRenderbuffersEXT
#define glRenderbufferStorageEXT gl::glRenderbufferStorageEXT
#define glGetRenderbufferParameterivEXT gl::glGetRenderbufferParameterivEXT
#define glIsFramebufferEXT gl::glIsFramebufferEXT
#define glBindFramebufferEXT gl::glBindFramebufferEXT
#define glDeleteFramebuffersEXT gl::glDeleteFramebuffersEXT
#define glGenFramebuffersEXT gl::glGenFramebuffersEXT
#define glCheckFramebufferStatusEXT gl::glCheckFramebufferStatusEXT
#define glFramebufferTexture1DEXT gl::glFramebufferTexture1DEXT
#define glFramebufferTexture2DEXT gl::glFramebufferTexture2DEXT
#define glFramebufferTexture3DEXT gl::glFramebufferTexture3DEXT
#define glFramebufferRenderbufferEXT gl::glFramebufferRenderbufferEXT
#define glGetFramebufferAttachmentParameterivEXT gl::glGetFramebufferAttachmentParameterivEXT
#define glGenerateMipmapEXT gl::glGenerateMipmapEXT
#define glCreateProgramObjectARB gl::glCreateProgramObjectARB
#define glDeleteObjectARB gl::glDeleteObjectARB
#define glCreateShaderObjectARB gl::glCreateShaderObjectARB
#define glShaderSourceARB gl::glShaderSourceARB
#define glCompileShaderARB gl::glCompileShaderARB
#define glGetObjectParameterivARB gl::glGetObjectParameterivARB
#define glAttachObjectARB gl::glAttachObjectARB
#define glGetInfoLogARB gl::glGetInfoLogARB
#define glLinkProgramARB gl::glLinkProgramARB
#define glUseProgramObjectARB gl::glUseProgramObjectARB
#define glGetUniformLocationARB gl::glGetUniformLocationARB
#define glDeleteProgram gl::glDeleteProgram
#define glDeleteShader gl::glDeleteShader
#define glIsProgram gl::glIsProgram
#define glIsShader gl::glIsShader
#define glGetProgramInfoLog gl::glGetProgramInfoLog
#define glGetShaderInfoLog gl::glGetShaderInfoLog
#define glUniform4f gl::glUniform4f
#define glUniform3f gl::glUniform3f
#define glUniform2f gl::glUniform2f
#define glUniform1f gl::glUniform1f
#define glGetUniformfvARB gl::glGetUniformfvARB
#define glGetUniformivARB gl::glGetUniformivARB
#define glUniform1i gl::glUniform1i
#define glUniform2i gl::glUniform2i
#define glUniform3i gl::glUniform3i
#define glUniform4i gl::glUniform4i
#define glUniform1fv gl::glUniform1fv
#define glUniform2fv gl::glUniform2fv
#define glUniform3fv gl::glUniform3fv
#define glUniform4fv gl::glUniform4fv
#define glUniform1iv gl::glUniform1iv
#define glUniform2iv gl::glUniform2iv
#define glUniform3iv gl::glUniform3iv
#define glUniform4iv gl::glUniform4iv
#define glUniformMatrix2fv gl::glUniformMatrix2fv
#define glUniformMatrix3fv gl::glUniformMatrix3fv
#define glUniformMatrix4fv gl::glUniformMatrix4fv
#define glValidateProgram gl::glValidateProgram
#define glVertexAttrib1d gl::glVertexAttrib1d
#define glVertexAttrib1dv gl::glVertexAttrib1dv
#define glVertexAttrib1f gl::glVertexAttrib1f
#define glVertexAttrib1fv gl::glVertexAttrib1fv
#define glVertexAttrib1s gl::glVertexAttrib1s
#define glVertexAttrib1sv gl::glVertexAttrib1sv
#define glVertexAttrib2d gl::glVertexAttrib2d
#define glVertexAttrib2dv gl::glVertexAttrib2dv
#define glVertexAttrib2f gl::glVertexAttrib2f
#define glVertexAttrib2fv gl::glVertexAttrib2fv
#define glVertexAttrib2s gl::glVertexAttrib2s
#define glVertexAttrib2sv gl::glVertexAttrib2sv
#define glVertexAttrib3d gl::glVertexAttrib3d
#define glVertexAttrib3dv gl::glVertexAttrib3dv
#define glVertexAttrib3f gl::glVertexAttrib3f
#define glVertexAttrib3fv gl::glVertexAttrib3fv
#define glVertexAttrib3s gl::glVertexAttrib3s
#define glVertexAttrib3sv gl::glVertexAttrib3sv
#define glVertexAttrib4Nbv gl::glVertexAttrib4Nbv
#define glVertexAttrib4Niv gl::glVertexAttrib4Niv
#define glVertexAttrib4Nsv gl::glVertexAttrib4Nsv
#define glVertexAttrib4Nub gl::glVertexAttrib4Nub
#define glVertexAttrib4Nubv gl::glVertexAttrib4Nubv
#define glVertexAttrib4Nuiv gl::glVertexAttrib4Nuiv
#define glVertexAttrib4Nusv gl::glVertexAttrib4Nusv
#define glVertexAttrib4bv gl::glVertexAttrib4bv
#define glVertexAttrib4d gl::glVertexAttrib4d
#define glVertexAttrib4dv gl::glVertexAttrib4dv
#define glVertexAttrib4f gl::glVertexAttrib4f
#define glVertexAttrib4fv gl::glVertexAttrib4fv
#define glVertexAttrib4iv gl::glVertexAttrib4iv
#define glVertexAttribPointer gl::glVertexAttribPointer
