varying vec3 eyePosition;

// renderdepth - the flock's ribbons as depth: each vertex's position seen from the eye, in the
// units of the scene (the cube is one unit wide).
void main()
{
    eyePosition = (gl_ModelViewMatrix * gl_Vertex).xyz;
    gl_Position = ftransform();
}
