#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "api/Engine.h"
#include "scene/Scene.h"
#include "textures/DdsDescription.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureLoadMessages.h"

using namespace texture_test;

TEST(DdsDescription, FourCCFileNamesItsCodeAndLabel)
{
    const DdsHeader header = MakeHeader(4, 4, 1, CodeFormat("DXT2"));
    std::vector<DescriptionPiece> pieces = DescribeDdsHeader(header, nullptr);
    EXPECT_EQ(JoinDescription(pieces),
              "PIXELFORMAT: 00000004: \nFourCC = 844388420 'DXT2'\nD3DFMT_DXT2 (BC2)\n");
    for (const DescriptionPiece& piece : pieces)
        EXPECT_EQ(piece.toStandardOutput, piece.text == "\n") << piece.text;
}

TEST(DdsDescription, MaskFileNamesTheFirstMatchingRow)
{
    const DdsHeader header = MakeHeader(4, 4, 1, MaskFormat(0x20001, 16, 0xFF, 0, 0, 0xFF00));
    EXPECT_EQ(JoinDescription(DescribeDdsHeader(header, nullptr)),
              "PIXELFORMAT: 00020001: \nbitCount 16\nR: 000000ff G: 00000000 B: 00000000 A: "
              "0000ff00\nDXGI_FORMAT_R8G8_UNORM (A8L8)\n");

    const DdsHeader unknown = MakeHeader(4, 4, 1, MaskFormat(0x40, 24, 1, 2, 3, 0));
    EXPECT_EQ(JoinDescription(DescribeDdsHeader(unknown, nullptr)),
              "PIXELFORMAT: 00000040: \nbitCount 24\nR: 00000001 G: 00000002 B: 00000003 A: "
              "00000000\n");
}

TEST(DdsDescription, ExtendedHeaderListsFormatDimensionFlagsAndAlphaMode)
{
    const DdsHeaderDx10 dx10{DXGI_FORMAT_BC7_UNORM, kDdsDimension2D, kDdsMiscTextureCube, 1, 2};
    std::vector<DescriptionPiece> pieces = DescribeDdsHeader(MakeDx10Header(4, 4, 1), &dx10);
    EXPECT_EQ(JoinDescription(pieces),
              "PIXELFORMAT: 00000004: \nFourCC = 808540228 'DX10'\ndxgiFormat = 98: "
              "DXGI_FORMAT_BC7_UNORM\nresourceDim = 3: \nmiscFlag = 00000004: \narraySize = 1\n"
              "miscFlags2 = 00000002 PMALPHA \n");
    bool nameOnStandardOutput = false;
    for (const DescriptionPiece& piece : pieces)
        nameOnStandardOutput |= piece.toStandardOutput && piece.text == "DXGI_FORMAT_BC7_UNORM";
    EXPECT_TRUE(nameOnStandardOutput);

    const DdsHeaderDx10 buffer{DXGI_FORMAT_R8_UNORM, kDdsDimensionBuffer, 0, 1, 0};
    EXPECT_NE(JoinDescription(DescribeDdsHeader(MakeDx10Header(4, 4, 1), &buffer))
                  .find("resourceDim = 1: BUFFER!\narraySize = 1\n"),
              std::string::npos);
    const DdsHeaderDx10 odd{DXGI_FORMAT_R8_UNORM, 9, 0, 1, 0};
    EXPECT_NE(JoinDescription(DescribeDdsHeader(MakeDx10Header(4, 4, 1), &odd))
                  .find("resourceDim = 9: UNKNOWN!\n"),
              std::string::npos);
}

TEST(DdsFailureMessages, SizeDecidesBetweenFormatAndPowerOfTwo)
{
    DdsHeader square = MakeHeader(256, 256, 1, CodeFormat("DXT9"));
    DdsHeader odd = MakeHeader(300, 200, 1, CodeFormat("DXT1"));
    DdsHeader tall = MakeHeader(256, 0, 1, CodeFormat("DXT1"));
    EXPECT_EQ(DdsFailureMessage(&square),
              "Error: Unknown DDS format, please choose another dds format");
    EXPECT_EQ(DdsFailureMessage(&odd), "Error: DDS needs to be power of two!");
    EXPECT_EQ(DdsFailureMessage(&tall), "Error: DDS needs to be power of two!");
    EXPECT_EQ(DdsFailureMessage(nullptr), "Error: DDS needs to be power of two!");
}

TEST(DdsFailureMessages, GoToTheEngineLogAtErrorLevel)
{
    CreateEngineObject();
    GetEngine()->scene = std::make_unique<CScene>();
    DdsHeader odd = MakeHeader(300, 200, 1, CodeFormat("DXT1"));
    ReportDdsFailure(&odd);
    const CMessageLog& log = GetEngine()->scene->log;
    EXPECT_EQ(log.LastMessage(), "Error: DDS needs to be power of two!");
    EXPECT_EQ(log.LastMessageLevel(), static_cast<uint32_t>(MessageLevelError));
}
