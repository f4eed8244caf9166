// Telling an image file's type from its first bytes, before anything is read whole.
#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/ImageFileType.h"

using namespace texture_test;

TEST(ImageFileType, SignaturesAndExtensionsDecideTogether)
{
    const std::vector<uint8_t> dds = DdsBytes(MakeHeader(4, 4, 1, CodeFormat("DXT1")), 8);
    const std::vector<uint8_t> exr = {0x76, 0x2f, 0x31, 0x01, 2, 0, 0, 0};
    const std::vector<uint8_t> tga = TgaBytes({}, {1, 2, 3, 4});
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0};
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'};
    std::vector<uint8_t> noImageData = tga;
    noImageData[2] = 0;
    const struct {
        std::vector<uint8_t> bytes;
        const char* extension;
        ImageFileType expected;
    } cases[] = {
        {dds, ".bak", ImageFileType::Dds},  // DDS by its signature, whatever the name
        {exr, ".exr", ImageFileType::Exr},
        {exr, ".EXR", ImageFileType::NotAnImage},  // extensions are case-sensitive
        {tga, ".tga", ImageFileType::Targa},
        {TgaBytes({.depth = 16}, {0, 0}), ".tga", ImageFileType::Targa},  // refused later
        {tga, ".bak", ImageFileType::NotAnImage},
        {noImageData, ".tga", ImageFileType::NotAnImage},
        {{'D', 'D', 'S'}, ".dds", ImageFileType::NotAnImage},
        {png, "", ImageFileType::Png},  // PNG and JPEG by their signatures alone
        {png, ".tga", ImageFileType::Png},
        {jpeg, ".JPG", ImageFileType::Jpeg},
        {{0x89, 'P', 'N', 'G'}, ".png", ImageFileType::NotAnImage},
        {{0xFF, 0xD8}, ".jpg", ImageFileType::NotAnImage},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ImageTypeOf(cases[i].bytes, cases[i].extension), cases[i].expected) << i;
}
