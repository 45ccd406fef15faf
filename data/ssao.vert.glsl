varying vec2 coord;

// ssao - a screen quad; both textures are read through the first texture coordinates.
void main()
{
    coord = gl_MultiTexCoord0.xy;
    gl_Position = ftransform();
}
