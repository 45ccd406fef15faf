varying float eyeDistance;

// renderdepth - writes depth = 1 - eye distance / 100 (1 at the eye, 0 a hundred units away)
// encoded into the 8-bit red, green and blue channels, most significant first, so that the
// programs reading it ("ssao", "dof_flock") get 24 bits of it back. The target is cleared to
// black, which reads back as depth 0: nothing there.
void main()
{
    float depth = clamp(1.0 - eyeDistance * 0.01, 0.0, 0.999);
    vec3 encoded = fract(depth * vec3(1.0, 255.0, 65025.0));
    encoded -= encoded.yzz * vec3(1.0 / 255.0, 1.0 / 255.0, 0.0);
    gl_FragColor = vec4(encoded, 1.0);
}
