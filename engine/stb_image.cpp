// stb_image.cpp - the PNG and JPEG decoder, compiled on its own with wrapping signed arithmetic
// (-fwrapv): this stb_image version's JPEG decoder lets the DC prediction and its product with a
// 16-bit quantization value overflow an int on crafted files. Wrapping makes that a wrong picture
// from a corrupt file, not undefined behaviour. textures.cpp refuses what would overrun memory.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>
