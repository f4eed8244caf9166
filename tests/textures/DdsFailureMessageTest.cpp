#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "api/Engine.h"
#include "scene/Scene.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureLoadMessages.h"

using namespace texture_test;

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
