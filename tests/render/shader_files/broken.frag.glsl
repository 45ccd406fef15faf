void main()
{
    gl_FragColor = this is not glsl;
}
