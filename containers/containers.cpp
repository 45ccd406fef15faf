// containers.cpp - the Array and Map instantiations the program uses, compiled once here and
// exported from the executable under their namespace-qualified names.
#include "containers/containers.h"

#include "engine_api.h"
#include "render/shader_manager.h"

namespace BRAVIK_LUMENVAT {

template class Array<int>;
template class Array<float>;
template class Array<bool>;
template class Array<std::string>;
template class Array<ShaderUniform*>;

template class Map<std::string*>;
template class Map<Base*>;
template class Map<Texture*>;
template class Map<T3D*>;
template class Map<Shader*>;

} // namespace BRAVIK_LUMENVAT
