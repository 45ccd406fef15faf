varying float eyeDistance;

// renderdepth - the flock's ribbons as depth: the distance of each vertex from the eye, in the
// units of the scene (the cube is one unit wide).
void main()
{
    eyeDistance = length((gl_ModelViewMatrix * gl_Vertex).xyz);
    gl_Position = ftransform();
}
