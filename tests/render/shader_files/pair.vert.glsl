uniform float gain;

void main()
{
    gl_Position = ftransform() * gain / gain;
}
