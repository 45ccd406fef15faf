# The scene loader's tests, which need no GL context: scene_tests here, and again in the Windows
# build (tests/windows/CMakeLists.txt). Sources relative to this folder.
set(scene_loader_tests
  collada_document_test.cpp
  collada_geometry_test.cpp
  collada_scene_test.cpp
  animation_test.cpp
  material_test.cpp
  mutation_test.cpp
  xml_depth_test.cpp)
