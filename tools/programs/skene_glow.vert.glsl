// skene_glow.vert.glsl - the glowing materials (trims, lanterns, portal lights): eye-space
// position and normal, and the vertex colour whose alpha scales the glow.
varying vec3 ecPosition;
varying vec3 ecNormal;
varying vec4 bake;

void main()
{
    //: eyeSpace
    bake = gl_Color;
    //: clipAndPosition
}
