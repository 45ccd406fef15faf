// containers.cpp - the Array and Map instantiations of the engine's own and the standard types,
// compiled once here and exported from the executable under their namespace-qualified names. The
// instantiations for the system's types live with those types (render/, scene/).
#include "containers/containers.h"

#include "engine_api.h"

namespace BRAVIK_LUMENVAT {

template class Array<int>;
template class Array<float>;
template class Array<bool>;
template class Array<std::string>;

template class Map<std::string*>;
template class Map<Base*>;
template class Map<Texture*>;
template class Map<T3D*>;

} // namespace BRAVIK_LUMENVAT
