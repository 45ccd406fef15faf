// skene_metal.vert.glsl - the metal material: eye-space position and normal, the scene-space
// normal and the vertex colour with the baked occlusion in alpha.
varying vec3 ecPosition;
//: litVaryings

void main()
{
    //: eyeSpace
    //: sceneNormalAndBake
    //: clipAndPosition
}
