# The Windows build's libraries: static archives cross-built by scripts/build-windows.sh into
# SUBLUMEN_WINDOWS_PREFIX, under the target names SublumenDependencies.cmake gives the Linux
# build's packages, so the modules link the same names on both systems. OpenGL, GLU and the
# system libraries are mingw-w64's import libraries.
if(NOT SUBLUMEN_WINDOWS_PREFIX OR NOT EXISTS ${SUBLUMEN_WINDOWS_PREFIX}/include)
  message(FATAL_ERROR "SUBLUMEN_WINDOWS_PREFIX must name the cross-built libraries: use scripts/build-windows.sh")
endif()
set(prefix ${SUBLUMEN_WINDOWS_PREFIX})

function(sublumen_windows_library name)
  cmake_parse_arguments(L "" "" "LIBS;INCLUDES;DEFINES" ${ARGN})
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${L_INCLUDES}"
    INTERFACE_LINK_LIBRARIES "${L_LIBS}"
    INTERFACE_COMPILE_DEFINITIONS "${L_DEFINES}")
endfunction()

sublumen_windows_library(PkgConfig::SDL2 INCLUDES ${prefix}/include/SDL2
  LIBS ${prefix}/lib/libSDL2.a user32 gdi32 winmm imm32 ole32 oleaut32 version uuid advapi32 setupapi shell32
  # The engine has no SDL_main: it tells SDL itself that main() has run.
  DEFINES SDL_MAIN_HANDLED)
sublumen_windows_library(PkgConfig::PHYSFS INCLUDES ${prefix}/include LIBS ${prefix}/lib/libphysfs.a advapi32 shell32)
sublumen_windows_library(PkgConfig::OPENMPT INCLUDES ${prefix}/include LIBS ${prefix}/lib/libopenmpt.a)
sublumen_windows_library(PkgConfig::KISSFFT INCLUDES ${prefix}/include/kissfft
  LIBS ${prefix}/lib/libkissfft-float.a DEFINES kiss_fft_scalar=float)
sublumen_windows_library(PkgConfig::LIBDEFLATE INCLUDES ${prefix}/include LIBS ${prefix}/lib/libdeflate.a)
sublumen_windows_library(ZLIB::ZLIB INCLUDES ${prefix}/include LIBS ${prefix}/lib/libz.a)
# The export's FFmpeg: only the encoders, muxers and scaler it uses, with x264 linked in. Each
# name links the whole set in its dependency order (static archives are read once, in order).
set(ffmpeg_libraries ${prefix}/lib/libavformat.a ${prefix}/lib/libavcodec.a ${prefix}/lib/libswscale.a
  ${prefix}/lib/libavutil.a ${prefix}/lib/libx264.a ole32 user32 bcrypt)
foreach(name AVFORMAT AVCODEC SWSCALE AVUTIL)
  sublumen_windows_library(PkgConfig::${name} INCLUDES ${prefix}/include LIBS "${ffmpeg_libraries}")
endforeach()
sublumen_windows_library(OpenGL::GL LIBS opengl32)
sublumen_windows_library(OpenGL::GLU LIBS glu32)
sublumen_windows_library(Threads::Threads LIBS -pthread)
sublumen_windows_library(tinyxml::tinyxml INCLUDES ${prefix}/include LIBS ${prefix}/lib/libtinyxml.a
  # Built with std::string support, as Debian builds it; the header must agree.
  DEFINES TIXML_USE_STL)
add_library(stb INTERFACE)
target_include_directories(stb SYSTEM INTERFACE ${prefix}/include/stb)
sublumen_windows_library(GTest::gtest INCLUDES ${prefix}/include LIBS ${prefix}/lib/libgtest.a)
sublumen_windows_library(GTest::gtest_main LIBS ${prefix}/lib/libgtest_main.a GTest::gtest)

# Everything linked statically, the C++ runtime and winpthread included: the folder runs on a
# Windows with nothing installed.
string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " -static")

# M_PI and its kin, which glibc's headers give every C++ program.
add_compile_definitions(_USE_MATH_DEFINES)
