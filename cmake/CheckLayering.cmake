# CheckLayering.cmake - the program's layering, checked over its sources; CTest runs it as
# "layering" (tests/CMakeLists.txt), and by hand:
#
#   cmake -DSOURCE_DIR=<source root> -P cmake/CheckLayering.cmake
#
# Two rules, over every source and header of engine/, containers/, render/, scene/, effects/, app/
# and resources/ (tests, tools and benchmarks are outside the program and may reach anything):
# 1. A module includes headers of its own layer or below, never above:
#      engine  <-  containers  <-  render  <-  scene  <-  effects  <-  app (with resources/)
#    The engine knows nothing of the system; its public face app/engine_api.h (included as
#    "engine_api.h") is open to all, its private parts ("engine/...") to the engine alone.
# 2. Platform libraries (SDL, PhysicsFS, libopenmpt, FFmpeg, GTK, X11, Windows) are included only
#    in engine/ and in the setup dialog's view files, app/setup_dialog_<backend>.cpp.
# Every include that breaks a rule is listed; any makes the check fail.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayering: give -DSOURCE_DIR=<source root>")
endif()

set(layer_rank_engine 0)
set(layer_rank_containers 1)
set(layer_rank_render 2)
set(layer_rank_scene 3)
set(layer_rank_effects 4)
set(layer_rank_app 5)
set(layer_rank_resources 5)
set(platform_header "^(SDL2?/|SDL[_.]|physfs|libopenmpt/|libavformat/|libavcodec/|libavutil/|libswscale/|libswresample/|gtk/|gdk/|glib|X11/|[Ww]indows\\.h)")
set(platform_file "^(engine/|app/setup_dialog_[^/]*\\.cpp$)")

set(globs)
foreach(folder engine containers render scene effects app resources)
  foreach(ext c cpp h hpp)
    list(APPEND globs ${SOURCE_DIR}/${folder}/*.${ext})
  endforeach()
endforeach()
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${globs})
list(SORT files)

set(broken 0)
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" layer "${file}")
  set(rank ${layer_rank_${layer}})
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      set(header "${CMAKE_MATCH_1}")
    else()
      continue()
    endif()
    if(header MATCHES "${platform_header}" AND NOT file MATCHES "${platform_file}")
      message("${file}: includes the platform header <${header}> outside engine/ and the dialog's views")
      math(EXPR broken "${broken} + 1")
    endif()
    if(NOT header MATCHES "^([a-z_]+)/")
      continue()
    endif()
    set(target ${CMAKE_MATCH_1})
    if(NOT DEFINED layer_rank_${target})
      continue()
    endif()
    if(target STREQUAL "engine" AND NOT layer STREQUAL "engine")
      message("${file}: includes the engine's private \"${header}\" (the system sees only engine_api.h)")
      math(EXPR broken "${broken} + 1")
    elseif(layer_rank_${target} GREATER rank)
      message("${file}: includes \"${header}\" from ${target}/, a layer above ${layer}/")
      math(EXPR broken "${broken} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(broken GREATER 0)
  message(FATAL_ERROR "layering: ${broken} include(s) break the layering (${count} files read)")
endif()
message("layering: ${count} files, every include within its layer")
