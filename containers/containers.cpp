// containers.cpp - the Array and Map instantiations the program uses, compiled once here and
// exported from the executable under their namespace-qualified names.
#include "containers/containers.h"

#include "engine_api.h"
#include "render/shader_manager.h"
#include "scene/collada.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"

namespace BRAVIK_LUMENVAT {

template class Array<int>;
template class Array<float>;
template class Array<bool>;
template class Array<std::string>;
template class Array<Animation*>;
template class Array<AnimationKeyFrame*>;
template class Array<Mesh::MeshAttribute*>;
template class Array<MeshVBO*>;
template class Array<MeshVBO::MeshVBOAttribute*>;
template class Array<ObjectNode*>;
template class Array<SceneNode*>;
template class Array<ShaderUniform*>;
template class Array<Mesh::SubMesh*>;
template class Array<Transformation*>;

template class Map<std::string*>;
template class Map<Base*>;
template class Map<Texture*>;
template class Map<T3D*>;
template class Map<Collada::Animation*>;
template class Map<Collada::Attribute*>;
template class Map<Camera*>;
template class Map<Collada::Camera*>;
template class Map<Light*>;
template class Map<Collada::Light*>;
template class Map<Material*>;
template class Map<Mesh*>;
template class Map<MeshVBO*>;
template class Map<ObjectNode*>;
template class Map<::Scene*>;
template class Map<Collada::Scene*>;
template class Map<SceneNode*>;
template class Map<Shader*>;
template class Map<Source*>;
template class Map<Transformation*>;
template class Map<AnimationAttribute>;

} // namespace BRAVIK_LUMENVAT
