// water.vert.glsl - the water quad: clip position for the screen-space lookup of the reflection,
// eye-space position and the water plane's up direction for the fresnel term, ripple coordinates.
varying vec4 clipPosition;
varying vec3 ecPosition;
varying vec3 ecUp;
varying vec2 rippleCoord;

void main()
{
    gl_Position = ftransform();
    clipPosition = gl_Position;
    ecPosition = (gl_ModelViewMatrix * gl_Vertex).xyz;
    ecUp = gl_NormalMatrix * vec3(0.0, 1.0, 0.0);
    rippleCoord = gl_MultiTexCoord1.xy;
}
