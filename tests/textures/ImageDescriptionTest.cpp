#include <gtest/gtest.h>

#include <optional>

#include "TextureTestFiles.h"
#include "textures/ImageDescription.h"

using namespace texture_test;

// What the dropped-image question shows: only exact ".dds" and ".tga" names are examined,
// any non-zero caps2 of a readable DDS counts as a cube map, and a DDS the viewer cannot
// show (rejected or without a GL format) is none.
TEST(ImageDescription, CubeMapsAreRecommendedOnlyForDdsFilesTheViewerReads)
{
    auto cubeOf = [](DdsPixelFormat format) {
        DdsHeader cube = MakeHeader(2, 2, 1, format);
        cube.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
        return DdsBytes(cube, 6 * 8);
    };
    DdsHeader volume = MakeHeader(2, 2, 1, kRgba8);
    volume.flags |= kDdsHeaderFlagVolume;
    volume.depth = 2;
    volume.caps2 = 0x200000;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::optional<bool> readable;  // nullopt: not compared
        bool isCubeMap;
        const char* text;  // nullptr: not compared
    } files[] = {
        {"sky.dds", cubeOf(CodeFormat("DXT1")), true, true,
         "2 x 2\nDXGI_FORMAT_BC1_UNORM\nCube map"},
        {"plain.dds", DdsBytes(MakeHeader(4, 2, 1, kRgba8), 32), true, false, "4 x 2\nN/A"},
        {"volume.dds", DdsBytes(volume, 32), std::nullopt, true, nullptr},
        {"SKY.DDS", cubeOf(CodeFormat("DXT1")), false, false, nullptr},
        {"picture.TGA",
         TgaBytes({.type = 2, .width = 3, .height = 2, .depth = 24}, std::vector<uint8_t>(18, 1)),
         true, false, "3 x 2\nTGA"},
        {"yuv.dds", cubeOf(CodeFormat("YUY2")), std::nullopt, false, nullptr},  // no GL equivalent
        {"short.dds", std::vector<uint8_t>(127, 0), false, false, "Unreadable image"},
    };
    ScratchDirectory dir;
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        WriteBytes(dir / file.name, file.bytes);
        const ImageDescription description = DescribeDroppedImage(dir / file.name);
        EXPECT_EQ(description.readable, file.readable.value_or(description.readable));
        EXPECT_EQ(description.isCubeMap, file.isCubeMap);
        EXPECT_EQ(description.Text(), file.text ? file.text : description.Text());
    }
}
