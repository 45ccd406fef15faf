// content.cpp - the opening's file list: names, sizes and encodings.
#include "content.h"

#include <stdexcept>

namespace imagegen {

std::vector<ImageFile> makeAllImages(const Fonts& fonts)
{
    if (!fonts.light.valid || !fonts.regular.valid)
        throw std::runtime_error("a font file cannot be read");

    std::vector<ImageFile> files;
    files.push_back({"sphere_normals.png", encodePng(makeSphereNormals(256), 4)});
    files.push_back({"anim0.jpg", encodeJpeg(makeBackground(1024), 93)});
    for (int i = 1; i <= 4; ++i)
        files.push_back({"smoke" + std::to_string(i) + ".jpg", encodeJpeg(makeSmoke(i, 256), 93)});
    // 2:1 and large: the lettering is drawn over the whole picture and must stay crisp at 1080p.
    files.push_back({"sublumen_01.png", encodePng(makeTitle(fonts, 2048, 1024), 4)});
    for (int i = 1; i <= kCreditCardCount; ++i)
        files.push_back({"credits" + std::to_string(i) + ".png", encodePng(makeCreditCard(fonts, i, 2048, 1024), 4)});
    return files;
}

} // namespace imagegen
