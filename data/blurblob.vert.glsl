// blurblob - a screen quad: the sprite layer's texture coordinates go on to the fragment stage
// (the environment is looked up by direction, not by coordinate), and so does the colour.
varying vec2 coord;

void main()
{
    gl_Position = ftransform();
    coord = gl_MultiTexCoord0.xy;
    gl_FrontColor = gl_Color;
}
