# Writes OUT, the header that holds the program's version: the project's VERSION and, in a git
# checkout, the revision. Run at every build (a commit changes it); the file is only rewritten
# when its text changes, so nothing recompiles otherwise.
#   cmake -DSOURCE=dir -DVERSION=x.y.z -DOUT=file -P SublumenVersion.cmake
set(text "${VERSION}")
execute_process(COMMAND git -C "${SOURCE}" rev-parse --short=10 HEAD
  OUTPUT_VARIABLE revision RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT failed AND revision)
  set(text "${VERSION} (git ${revision})")
endif()
file(CONFIGURE OUTPUT "${OUT}" CONTENT "#define SUBLUMEN_VERSION \"@text@\"\n")
