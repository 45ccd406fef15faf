uniform sampler2D TU0;
uniform sampler2D TU1;
varying vec2 coord;

// The particle swarm as the depth target captured it: colour from TU0, depth from TU1. Where
// nothing was drawn the depth is still the cleared far plane (1.0), and the swarm is transparent
// there, so the composite covers the frame only where a particle is.
void main()
{
    float depth = texture2D(TU1, coord).r;
    float covered = depth < 1.0 ? 1.0 : 0.0;
    gl_FragColor = vec4(texture2D(TU0, coord).rgb, covered);
}
