# Content pipeline: generators run at build time write into build/content/, and the pak builder
# packs those outputs together with the hand-written files of data/ into build/data.pak.
#
#   sublumen_generate(TOOL OUTPUTS a.png b.jpg [ARGS ...] [DEPENDS ...])
#
# runs `TOOL <content dir> ARGS...`, which must write exactly the named OUTPUTS (file names, no
# folders) into the content dir, deterministically. The outputs join the pak.
set(SUBLUMEN_CONTENT_DIR ${CMAKE_BINARY_DIR}/content)
set_property(GLOBAL PROPERTY SUBLUMEN_PAK_INPUTS "")
set_property(GLOBAL PROPERTY SUBLUMEN_PAK_GENERATORS "")

function(sublumen_generate tool)
  cmake_parse_arguments(G "" "" "OUTPUTS;ARGS;DEPENDS" ${ARGN})
  if(NOT G_OUTPUTS)
    message(FATAL_ERROR "sublumen_generate(${tool}): no OUTPUTS")
  endif()
  set(outputs)
  foreach(name IN LISTS G_OUTPUTS)
    list(APPEND outputs ${SUBLUMEN_CONTENT_DIR}/${name})
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SUBLUMEN_CONTENT_DIR}
    COMMAND $<TARGET_FILE:${tool}> ${SUBLUMEN_CONTENT_DIR} ${G_ARGS}
    DEPENDS ${tool} ${G_DEPENDS}
    COMMENT "Generating ${G_OUTPUTS}"
    VERBATIM)
  # A custom command's outputs can only be built by targets of its own directory: this target
  # builds them, and the pak (defined elsewhere) depends on it.
  add_custom_target(content_${tool} DEPENDS ${outputs})
  set_property(GLOBAL APPEND PROPERTY SUBLUMEN_PAK_INPUTS ${outputs})
  set_property(GLOBAL APPEND PROPERTY SUBLUMEN_PAK_GENERATORS content_${tool})
endfunction()

function(sublumen_add_pak pak data_dir)
  get_property(generated GLOBAL PROPERTY SUBLUMEN_PAK_INPUTS)
  file(GLOB hand_written CONFIGURE_DEPENDS ${data_dir}/*)
  list(SORT hand_written)
  set(list_file ${CMAKE_BINARY_DIR}/data.pak.list)
  string(REPLACE ";" "\n" lines "${hand_written};${generated}")
  file(GENERATE OUTPUT ${list_file} CONTENT "${lines}\n")
  add_custom_command(OUTPUT ${pak}
    COMMAND $<TARGET_FILE:pakbuild> ${pak} @${list_file}
    DEPENDS pakbuild ${hand_written} ${generated} ${list_file}
    COMMENT "Packing ${pak}"
    VERBATIM)
  add_custom_target(pak ALL DEPENDS ${pak})
  get_property(generators GLOBAL PROPERTY SUBLUMEN_PAK_GENERATORS)
  if(generators)
    add_dependencies(pak ${generators})
  endif()
endfunction()
