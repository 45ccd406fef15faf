varying vec3 eyePosition;

// renderdepth - writes depth = 1 - (eye distance)^2 / 60: 1 at the eye, 0 about 7.7 units away,
// spread widest where the flock is. It is stored in the 8-bit red, green and blue channels, most
// significant first, so that the programs reading it ("ssao", "dof_flock") get 24 bits of it
// back. The target is cleared to black, which reads back as depth 0: nothing there.
void main()
{
    float depth = clamp(1.0 - dot(eyePosition, eyePosition) / 60.0, 0.0, 0.999);
    vec3 encoded = fract(depth * vec3(1.0, 255.0, 65025.0));
    encoded -= encoded.yzz * vec3(1.0 / 255.0, 1.0 / 255.0, 0.0);
    gl_FragColor = vec4(encoded, 1.0);
}
