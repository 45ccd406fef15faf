# The test helpers that need no window and no Linux (test_files.cpp), for the Linux tree's tests
# and the Windows build's alike; SUBLUMEN_BINARY_DIR is the build that includes this file.
add_library(sublumen_test_files STATIC ${CMAKE_CURRENT_LIST_DIR}/test_files.cpp)
target_include_directories(sublumen_test_files PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(sublumen_test_files PUBLIC
  SUBLUMEN_BINARY_DIR="${CMAKE_BINARY_DIR}"
  SUBLUMEN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
