// program_resources.h - images built into the executable: the setup dialog's banner and the
// program icon. They are made at build time by make_resources (resources/make_resources.cpp)
// and compiled in, since the dialog shows them before the data archive is read.
#pragma once

// Pixels are RGBA bytes, the top row first, rows packed.
struct ResourceImage {
    int width;
    int height;
    const unsigned char* rgba;
};

// 315 x 100, opaque: the title over a dark, luminous picture.
extern const ResourceImage bannerBitmap;
// The program icon, 32 x 32 and 16 x 16, transparent around a round mark.
extern const ResourceImage programIcon32;
extern const ResourceImage programIcon16;
