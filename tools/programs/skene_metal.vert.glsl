// skene_metal.vert.glsl - the metal material: eye-space position and normal, the scene-space
// normal and the vertex colour with the baked occlusion in alpha.
varying vec3 ecPosition;
varying vec3 ecNormal;
varying vec3 sceneNormal;
varying vec4 bake;

void main()
{
    //: eyeSpace
    sceneNormal = gl_Normal;
    bake = gl_Color;
    //: clipAndPosition
}
