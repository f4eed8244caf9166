// Telling an image file's type from its first bytes, as discovery and loading do before
// reading anything whole.
#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/ImageFileType.h"

using namespace texture_test;

namespace {

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

TEST(ImageFileType, SignaturesAndExtensionsDecideTogether)
{
    const std::vector<uint8_t> dds = DdsBytes(MakeHeader(4, 4, 1, CodeFormat("DXT1")), 8);
    const std::vector<uint8_t> exr = {0x76, 0x2f, 0x31, 0x01, 2, 0, 0, 0};
    const std::vector<uint8_t> tga = TgaBytes({}, {1, 2, 3, 4});
    std::vector<uint8_t> noTgaType = tga;
    noTgaType[2] = 0;  // "no image data"
    std::vector<uint8_t> tgaOfNoSize = tga;
    tgaOfNoSize[12] = 0;
    const std::vector<uint8_t> sixteenBitTga = TgaBytes({.depth = 16}, {0, 0});
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* extension;
        ImageFileType expected;
    } cases[] = {
        {"DDS under its own name", dds, ".dds", ImageFileType::Dds},
        {"DDS under any name", dds, ".bak", ImageFileType::Dds},
        {"EXR", exr, ".exr", ImageFileType::Exr},
        {"EXR under another name", exr, ".bin", ImageFileType::NotAnImage},
        {"EXR under an upper-case name", exr, ".EXR", ImageFileType::NotAnImage},
        {"TGA", tga, ".tga", ImageFileType::Targa},
        {"TGA of a depth the decoder refuses", sixteenBitTga, ".tga", ImageFileType::Targa},
        {"TGA under another name", tga, ".bak", ImageFileType::NotAnImage},
        {"TGA header without image data", noTgaType, ".tga", ImageFileType::NotAnImage},
        {"TGA header of width 0", tgaOfNoSize, ".tga", ImageFileType::NotAnImage},
        {"text named .dds", Bytes("DDS"), ".dds", ImageFileType::NotAnImage},
        {"text named .tga", Bytes("hello, this is not a targa file"), ".tga",
         ImageFileType::NotAnImage},
        {"nothing", {}, ".dds", ImageFileType::NotAnImage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageTypeOf(c.bytes, c.extension), c.expected) << c.name;
}

}  // namespace
