// skene_stone.vert.glsl - the stone and floor materials: eye-space position and normal for
// lighting per pixel, the scene-space normal for the sky and ground ambient, the vertex colour
// (block tint times baked occlusion in rgb, the occlusion itself in alpha) and texture
// coordinates in scene units times texScale. The clip vertex keeps user clip planes working.
varying vec3 ecPosition;
uniform float texScale/*0.05____4.0*/;
//: litVaryings
varying vec2 texCoord;

void main()
{
    //: eyeSpace
    //: sceneNormalAndBake
    texCoord = gl_MultiTexCoord0.xy * texScale;
    //: clipAndPosition
}
