// spherelight - a screen quad: both layers share the first texture coordinates, and the vertex
// colour (the fade) goes on to the fragment stage.
varying vec2 coord;

void main()
{
    gl_Position = ftransform();
    coord = gl_MultiTexCoord0.xy;
    gl_FrontColor = gl_Color;
}
