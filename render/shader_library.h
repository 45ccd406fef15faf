// shader_library.h - the 24 GLSL programs the production carries as constant sources.
//
// GLSL 1.10 (ssao: 1.20) for the fixed-function-compatible pipeline. The sources are laid out
// for the uniform scan of shader_manager.h: one line each, statements separated by ';' with no
// space before a declaration that is meant to be registered (a leading tab is fine), so that the
// scan yields exactly the uniforms materials expect. A declaration written after spaces (edge's
// savy) or on the #version line (ssao's strength) is deliberately left out of the list; callers
// still set it by name.
#pragma once

#include <array>

struct BuiltInProgram {
    const char* name;
    const char* fragmentSource;
    const char* vertexSource;
};

constexpr int kBuiltInProgramCount = 24;

// In registration order.
const std::array<BuiltInProgram, kBuiltInProgramCount>& builtInPrograms();
