// vertex_buffer_calls.h - the ARB vertex-buffer entry points the mesh upload and draw call.
//
// Null until the GL loader fills them at start-up; meshes then keep drawing from their float
// stores. Tools and tests that run without GL leave them null.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

struct VertexBufferCalls {
    PFNGLGENBUFFERSARBPROC genBuffers = nullptr;
    PFNGLBINDBUFFERARBPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAARBPROC bufferData = nullptr;
};

extern VertexBufferCalls vertexBufferCalls;
