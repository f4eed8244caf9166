// Telling an image file's type from its first bytes, before anything is read whole, and
// what the dropped-image question says about it.
#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/ImageDescription.h"
#include "textures/ImageFileType.h"

using namespace texture_test;

TEST(ImageFileType, SignaturesAndExtensionsDecideTogether)
{
    const std::vector<uint8_t> dds = DdsBytes(MakeHeader(4, 4, 1, CodeFormat("DXT1")), 8);
    const std::vector<uint8_t> exr = {0x76, 0x2f, 0x31, 0x01, 2, 0, 0, 0};
    const std::vector<uint8_t> tga = TgaBytes({}, {1, 2, 3, 4});
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0};
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'};
    const std::tuple<std::vector<uint8_t>, const char*, ImageFileType> cases[] = {
        {exr, ".exr", ImageFileType::Exr},
        {exr, ".EXR", ImageFileType::NotAnImage},  // extensions are case-sensitive
        {tga, ".tga", ImageFileType::Targa},
        {tga, ".bak", ImageFileType::NotAnImage},
        {TgaBytes({.type = 0}, {1, 2, 3, 4}), ".tga", ImageFileType::NotAnImage},
        {{'D', 'D', 'S'}, ".dds", ImageFileType::NotAnImage},
        {png, "", ImageFileType::Png},  // PNG and JPEG by their signatures alone
        {jpeg, ".JPG", ImageFileType::Jpeg},
        {{0x89, 'P', 'N', 'G'}, ".png", ImageFileType::NotAnImage},
        {{0xFF, 0xD8}, ".jpg", ImageFileType::NotAnImage},
    };
    for (const auto& [bytes, extension, expected] : cases)
        EXPECT_EQ(ImageTypeOf(bytes, extension), expected) << extension << " " << bytes.size();
}

// What the dropped-image question shows: only exact ".dds" and ".tga" names are examined,
// any non-zero caps2 of a readable DDS counts as a cube map, and a DDS the viewer cannot
// show (rejected or without a GL format) is none.
TEST(ImageDescription, CubeMapsAreRecommendedOnlyForDdsFilesTheViewerReads)
{
    DdsHeader volume = Volume(2, 2);
    volume.caps2 = 0x200000;
    // Name, bytes, readable and text (where not nullopt or nullptr), and cube map.
    using File =
        std::tuple<const char*, std::vector<uint8_t>, std::optional<bool>, bool, const char*>;
    const File files[] = {
        {"sky.dds", DdsBytes(Cube(4, 4, 1, CodeFormat("DXT2")), 96), true, true,
         "4 x 4\nD3DFMT_DXT2 (BC2)\nCube map"},
        {"plain.dds", DdsBytes(MakeHeader(4, 2, 1, kRgba8), 32), true, false, "4 x 2\nN/A"},
        {"volume.dds", DdsBytes(volume, 32), std::nullopt, true, nullptr},
        {"SKY.DDS", DdsBytes(Cube(2, 2, 1, CodeFormat("DXT1")), 48), false, false, nullptr},
        {"picture.TGA",
         TgaBytes({.width = 3, .height = 2, .depth = 24}, std::vector<uint8_t>(18, 1)), true, false,
         "3 x 2\nTGA"},
        // YUY2 has no GL equivalent.
        {"yuv.dds", DdsBytes(Cube(2, 2, 1, CodeFormat("YUY2")), 48), std::nullopt, false, nullptr},
        {"short.dds", std::vector<uint8_t>(127, 0), false, false, "Unreadable image"},
    };
    ScratchDirectory dir;
    for (const auto& [name, bytes, readable, isCubeMap, text] : files) {
        SCOPED_TRACE(name);
        WriteBytes(dir / name, bytes);
        const ImageDescription description = DescribeDroppedImage(dir / name);
        EXPECT_EQ(description.readable, readable.value_or(description.readable));
        EXPECT_EQ(description.isCubeMap, isCubeMap);
        EXPECT_EQ(description.Text(), text ? text : description.Text());
    }
}
