#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/ImageDescription.h"

using namespace texture_test;

namespace {

const DdsPixelFormat kRgba8 = MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);

}  // namespace

TEST(ImageDescription, CubeMapDdsIsRecommendedAsCubeMap)
{
    ScratchDirectory dir;
    DdsHeader cube = MakeHeader(2, 2, 1, CodeFormat("DXT1"));
    cube.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
    WriteBytes(dir / "sky.dds", DdsBytes(cube, 6 * 8));
    ImageDescription description = DescribeDroppedImage(dir / "sky.dds");
    EXPECT_TRUE(description.readable);
    EXPECT_TRUE(description.isCubeMap);
    EXPECT_EQ(description.formatName, "DXGI_FORMAT_BC1_UNORM");
    EXPECT_EQ(description.Text(), "2 x 2\nDXGI_FORMAT_BC1_UNORM\nCube map");

    WriteBytes(dir / "plain.dds", DdsBytes(MakeHeader(4, 2, 1, kRgba8), 32));
    description = DescribeDroppedImage(dir / "plain.dds");
    EXPECT_TRUE(description.readable);
    EXPECT_FALSE(description.isCubeMap);
    EXPECT_EQ(description.Text(), "4 x 2\nN/A");
}

TEST(ImageDescription, AnyNonZeroCaps2CountsAsCubeMap)
{
    ScratchDirectory dir;
    DdsHeader volume = MakeHeader(2, 2, 1, kRgba8);
    volume.flags |= kDdsHeaderFlagVolume;
    volume.depth = 2;
    volume.caps2 = 0x200000;
    WriteBytes(dir / "volume.dds", DdsBytes(volume, 32));
    EXPECT_TRUE(DescribeDroppedImage(dir / "volume.dds").isCubeMap);
}

TEST(ImageDescription, OnlyExactExtensionsAreExamined)
{
    ScratchDirectory dir;
    DdsHeader cube = MakeHeader(2, 2, 1, CodeFormat("DXT1"));
    cube.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
    WriteBytes(dir / "SKY.DDS", DdsBytes(cube, 6 * 8));
    ImageDescription upper = DescribeDroppedImage(dir / "SKY.DDS");
    EXPECT_FALSE(upper.readable);
    EXPECT_FALSE(upper.isCubeMap);

    WriteBytes(dir / "picture.TGA", TgaBytes({.type = 2, .width = 3, .height = 2, .depth = 24},
                                             std::vector<uint8_t>(18, 1)));
    ImageDescription tga = DescribeDroppedImage(dir / "picture.TGA");
    EXPECT_TRUE(tga.readable);
    EXPECT_EQ(tga.Text(), "3 x 2\nTGA");
}

TEST(ImageDescription, RejectedOrUnsupportedDdsIsNotACubeMap)
{
    ScratchDirectory dir;
    DdsHeader cube = MakeHeader(2, 2, 1, CodeFormat("YUY2"));  // no GL equivalent
    cube.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
    WriteBytes(dir / "yuv.dds", DdsBytes(cube, 6 * 8));
    EXPECT_FALSE(DescribeDroppedImage(dir / "yuv.dds").isCubeMap);

    WriteBytes(dir / "short.dds", std::vector<uint8_t>(127, 0));
    ImageDescription shortFile = DescribeDroppedImage(dir / "short.dds");
    EXPECT_FALSE(shortFile.readable);
    EXPECT_EQ(shortFile.Text(), "Unreadable image");
}
