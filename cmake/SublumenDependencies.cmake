# Libraries from Debian's packages (scripts/setup.sh installs them).
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(PHYSFS REQUIRED IMPORTED_TARGET physfs)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(KISSFFT REQUIRED IMPORTED_TARGET kissfft-float)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
pkg_check_modules(GTK3 IMPORTED_TARGET gtk+-3.0)
# The export's video file: containers, encoders (libx264 for H.264) and the colour conversion.
pkg_check_modules(AVFORMAT REQUIRED IMPORTED_TARGET libavformat)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec)
pkg_check_modules(SWSCALE REQUIRED IMPORTED_TARGET libswscale)
pkg_check_modules(AVUTIL REQUIRED IMPORTED_TARGET libavutil)

find_package(Threads REQUIRED)

find_package(ZLIB REQUIRED)

# libGL.so.1, not GLVND's libOpenGL.so.0: every GL driver provides the former (GLVND's own libGL
# among them), so the program and its bundle run on systems that lack GLVND.
set(OpenGL_GL_PREFERENCE LEGACY)
find_package(OpenGL REQUIRED)
# Xlib: the engine watches for errors about its window (engine/platform_x11.cpp).
find_package(X11 REQUIRED)

find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
find_library(TINYXML_LIBRARY tinyxml REQUIRED)
add_library(tinyxml::tinyxml UNKNOWN IMPORTED)
set_target_properties(tinyxml::tinyxml PROPERTIES
  IMPORTED_LOCATION ${TINYXML_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${TINYXML_INCLUDE_DIR}
  # Debian builds libtinyxml with std::string support; the header must agree.
  INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)

find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
add_library(stb INTERFACE)
target_include_directories(stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})

if(SUBLUMEN_TESTS)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
  # libpng decodes the capture's PNGs in the tests, checking every chunk's CRC as it goes.
  pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
endif()
