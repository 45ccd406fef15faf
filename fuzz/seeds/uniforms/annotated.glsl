uniform vec3 lightDir/*-1.24____168912.3*/;
uniform float a /*1e39*/;
uniform vec2 tex0 /*0_1*/;
// uniform float b;
 uniform float c;
uniform sampler2D s;
void main(){}