// skene_glow.vert.glsl - the glowing materials (trims, lanterns, portal lights): eye-space
// position and normal, and the vertex colour whose alpha scales the glow.
varying vec3 ecPosition;
varying vec3 ecNormal;
varying vec4 bake;

void main()
{
    vec4 ec = gl_ModelViewMatrix * gl_Vertex;
    ecPosition = ec.xyz;
    ecNormal = gl_NormalMatrix * gl_Normal;
    bake = gl_Color;
    gl_ClipVertex = ec;
    gl_Position = ftransform();
}
