// The texture manager against a real GL context: what reaches the GPU, hot reload and its
// memory, loads from another thread, and screenshots.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "TextureGlTestSupport.h"
#include "api/Engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "textures/BuiltInTextures.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureManager.h"

using namespace texture_test;

namespace {

TEST_F(TextureManagerGl, BuiltInsHoldTheirTexelsAndFailuresShowTheCheckerboard)
{
    const struct {
        TextureHandle record;
        const char* name;
        uint32_t texel;
    } squares[] = {{manager->WhiteSquare(), "WhiteSquare", kWhiteTexel},
                   {manager->BlackSquare(), "BlackSquare", kBlackTexel},
                   {manager->DefaultNormalMap(), "DefaultNormalMap", kFlatNormalTexel}};
    for (const auto& square : squares) {
        ASSERT_NE(NameOf(square.record), 0u);
        EXPECT_EQ(square.record->name, square.name);
        EXPECT_EQ(square.record->isBuiltIn, 1);
        EXPECT_EQ(square.record->size[0], 512.0f);
        const auto texels = testing_support::ReadTextureRgba8(NameOf(square.record), 4, 4);
        for (size_t i = 0; i < texels.size(); i += 4) {
            uint32_t value;
            std::memcpy(&value, &texels[i], 4);
            ASSERT_EQ(value, square.texel) << "texel " << i / 4;
        }
    }
    // Alpha 0, not 255.
    EXPECT_EQ(testing_support::ReadTextureRgba8(NameOf(manager->BlackSquare()), 4, 4)[3], 0);

    const auto checker = testing_support::ReadTextureRgba8(NameOf(manager->ErrorTexture()), 16, 16);
    EXPECT_EQ(std::vector<uint8_t>(checker.begin() + 4, checker.begin() + 8),
              (std::vector<uint8_t>{255, 0, 255, 255}));
    EXPECT_EQ(Load(scratch / "missing.png")->view, manager->ErrorView());
}

// What reaches the GPU is the file's texels, whatever its name says: a DDS named .tga is
// read as a DDS (its mip count as written), a Targa turns from B, G, R, A into RGBA.
TEST_F(TextureManagerGl, TexelsArriveUnchangedWhateverTheFileIsNamed)
{
    std::vector<uint8_t> red;
    for (int i = 0; i < 16; ++i)
        red.insert(red.end(), {255, 0, 0, 255});
    const auto rgba = Rgba8Bytes({0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00, 0x01020304,
                                  0x05060708, 0x090A0B0C, 0x0D0E0F10});
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* typeName;
        uint32_t mipCount;
        int width, height;
        std::vector<uint8_t> texels;
    } files[] = {
        {"rgba.dds", DdsFileBytes(MakeHeader(4, 2, 1, kRgba8Masks), rgba), "N/A", 1, 4, 2, rgba},
        // One BC1 block: colour 0 pure red, every index 0.
        {"actually_dds.tga",
         DdsFileBytes(MakeHeader(4, 4, 0, CodeFormat("DXT1")),
                      {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0}),
         "DXGI_FORMAT_BC1_UNORM", 0, 4, 4, red},
        {"pair.tga",
         TgaBytes({.width = 2}, {10, 20, 30, 40, 50, 60, 70, 80}),
         "TGA",
         0,
         2,
         1,
         {30, 20, 10, 40, 70, 60, 50, 80}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        WriteBytes(scratch / file.name, file.bytes);
        TextureHandle record = Load(scratch / file.name);
        ASSERT_NE(NameOf(record), 0u);
        EXPECT_EQ(record->name, scratch / file.name);
        EXPECT_EQ(record->typeName, file.typeName);
        EXPECT_EQ(record->mipCount, file.mipCount);
        EXPECT_EQ(record->size[0], static_cast<float>(file.width));
        EXPECT_EQ(record->size[1], static_cast<float>(file.height));
        EXPECT_EQ(testing_support::ReadTextureRgba8(NameOf(record), file.width, file.height),
                  file.texels);
        if (file.typeName != std::string("TGA")) {
            EXPECT_EQ(CountLines("Warning: TGA"), 0) << "read as a Targa";
        }
    }
}

TEST_F(TextureManagerGl, HalfFloatCubeWithMipsKeepsFaceOrderAndLevels)
{
    // R = face index, G = level, as half floats; B 0, A 1.
    const uint16_t halfOf[] = {0x0000, 0x3C00, 0x4000, 0x4200, 0x4400, 0x4500};
    std::vector<uint8_t> data;
    for (int face = 0; face < 6; ++face) {
        for (int level = 0; level < 3; ++level) {
            const int side = 4 >> level;
            for (int i = 0; i < side * side; ++i) {
                const uint16_t texel[4] = {halfOf[face], halfOf[level], 0, 0x3C00};
                const auto* bytes = reinterpret_cast<const uint8_t*>(texel);
                data.insert(data.end(), bytes, bytes + 8);
            }
        }
    }
    const auto path = scratch / "cube.dds";
    DdsHeaderDx10 dx10{DXGI_FORMAT_R16G16B16A16_FLOAT, kDdsDimension2D, kDdsMiscTextureCube, 1, 0};
    WriteBytes(path, DdsFileBytes(MakeDx10Header(4, 4, 3), data, &dx10));
    TextureHandle record = Load(path);
    ASSERT_NE(NameOf(record), 0u);
    EXPECT_EQ(record->view->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(record->typeName, "DXGI_FORMAT_R16G16B16A16_FLOAT");
    EXPECT_EQ(record->mipCount, 3u);
    for (int face = 0; face < 6; ++face) {
        for (int level = 0; level < 3; ++level) {
            const int side = 4 >> level;
            const auto texels = ReadLayer<float>(NameOf(record), level, face, side, side, GL_FLOAT);
            SCOPED_TRACE("face " + std::to_string(face) + " level " + std::to_string(level));
            EXPECT_EQ(texels[0], static_cast<float>(face));
            EXPECT_EQ(texels[1], static_cast<float>(level));
            EXPECT_EQ(texels.back(), 1.0f);
        }
    }
}

TEST_F(TextureManagerGl, ArraySlicesLandInTheirLayers)
{
    std::vector<uint8_t> data;
    for (uint8_t slice = 0; slice < 3; ++slice) {
        for (int i = 0; i < 4; ++i)
            data.insert(data.end(), {slice, static_cast<uint8_t>(10 * slice), 7, 255});
    }
    const auto path = scratch / "array.dds";
    DdsHeaderDx10 dx10{DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 0, 3, 0};
    WriteBytes(path, DdsFileBytes(MakeDx10Header(2, 2, 1), data, &dx10));
    TextureHandle record = Load(path);
    ASSERT_NE(NameOf(record), 0u);
    EXPECT_EQ(record->view->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_2D_ARRAY));
    EXPECT_EQ(record->typeName, "DXGI_FORMAT_R8G8B8A8_UNORM");
    for (int slice = 0; slice < 3; ++slice) {
        const auto texels = ReadLayer<uint8_t>(NameOf(record), 0, slice, 2, 2, GL_UNSIGNED_BYTE);
        EXPECT_EQ(texels[0], slice);
        EXPECT_EQ(texels[13], 10 * slice);
    }
}

TEST_F(TextureManagerGl, ASolidCubeMapHasItsColourOnEveryFace)
{
    ShaderResourceViewPtr cube = manager->CreateSolidCubeMap(12, 34, 56);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    for (int face = 0; face < 6; ++face) {
        const auto texels =
            ReadLayer<uint8_t>(cube->GetTexture()->Name(), 0, face, 4, 4, GL_UNSIGNED_BYTE);
        EXPECT_EQ(std::vector<uint8_t>(texels.end() - 4, texels.end()),
                  (std::vector<uint8_t>{12, 34, 56, 255}));
    }
}

TEST_F(TextureManagerGl, SameFileLoadedTwiceIsWatchedOnce)
{
    const auto path = scratch / "twice.dds";
    WriteBytes(path, DdsFileBytes(MakeHeader(1, 1, 1, kRgba8Masks), Rgba8Bytes({0xFF0000FF})));
    const size_t watchedBefore = manager->WatchedPaths().size();
    TextureHandle first = Load(path);
    TextureHandle second = Load(path);
    EXPECT_NE(first, second) << "every load decodes anew";
    EXPECT_EQ(manager->WatchedPaths().size(), watchedBefore + 1);

    TouchLater(path, 5);
    engine->fileWatcher->ScanOnce();
    engine->fileWatcher->DispatchChanges();
    EXPECT_EQ(CountLines("Texture modified and reloaded : " + path.string()), 1);
}

TEST_F(TextureManagerGl, EditingATextureKeepsOneTextureAlive)
{
    const auto path = scratch / "edited.dds";
    WriteBytes(path, DdsFileBytes(MakeHeader(1, 1, 1, kRgba8Masks), Rgba8Bytes({0})));
    const size_t recordsBefore = manager->LiveRecordCount();
    TextureHandle held = Load(path);
    std::vector<std::weak_ptr<gpu::Texture>> generations{held->view->GetTexture()};
    for (uint32_t edit = 1; edit <= 100; ++edit) {
        WriteBytes(path, DdsFileBytes(MakeHeader(1, 1, 1, kRgba8Masks), Rgba8Bytes({edit})));
        manager->OnTextureFileChanged(path.string());
        generations.push_back(held->view->GetTexture());
    }
    size_t alive = 0;
    for (const auto& generation : generations)
        alive += !generation.expired();
    EXPECT_EQ(alive, 1u);
    EXPECT_EQ(testing_support::ReadTextureRgba8(NameOf(held), 1, 1)[0], 100);
    EXPECT_EQ(manager->LiveRecordCount(), recordsBefore + 1) << "a reload keeps no record";
    gpu::ReleaseQueuedObjects();
    EXPECT_EQ(gpu::QueuedReleaseCount(), 0u);
}

TEST_F(TextureManagerGl, LoadThreadUsesTheUploadContextAndQueuesItsWatch)
{
    const auto path = scratch / "threaded.dds";
    WriteBytes(
        path, DdsFileBytes(MakeHeader(2, 1, 1, kRgba8Masks), Rgba8Bytes({0x04030201, 0x08070605})));
    TextureHandle record;
    std::thread loader([&] { record = Load(path); });
    loader.join();
    ASSERT_NE(NameOf(record), 0u);
    EXPECT_EQ(testing_support::ReadTextureRgba8(NameOf(record), 2, 1),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    manager->RegisterQueuedWatches();
    TouchLater(path, 5);
    engine->fileWatcher->ScanOnce();
    engine->fileWatcher->DispatchChanges();
    EXPECT_EQ(CountLines("Texture modified and reloaded : "), 1);
}

class Screenshots : public TextureManagerGl {
   protected:
    void SetUp() override
    {
        TextureManagerGl::SetUp();
        original = std::filesystem::current_path();
        std::filesystem::current_path(scratch.path);
    }
    void TearDown() override { std::filesystem::current_path(original); }

    std::vector<std::filesystem::path> Shots() const
    {
        std::vector<std::filesystem::path> shots;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path)) {
            if (entry.path().filename().string().rfind("screenshot_", 0) == 0)
                shots.push_back(entry.path());
        }
        return shots;
    }

    std::filesystem::path original;
};

// Sizes the capture cannot take write nothing; a taken shot holds the requested size of
// the cleared capture target (nothing is drawn into it yet) and is named in the log.
TEST_F(Screenshots, EachValidSizeWritesOneFileOfThatSize)
{
    TakeScreenshot(0, 16);
    TakeScreenshot(16, 0);
    TakeScreenshot(-4, 4);
    EXPECT_TRUE(Shots().empty());
    EXPECT_EQ(CountLines("Screenshot saved to: "), 0);

    int taken = 0;
    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{24u, 10u}}) {
        TakeScreenshot(static_cast<int>(width), static_cast<int>(height));
        const auto shots = Shots();
        ASSERT_EQ(shots.size(), 1u);
        const std::vector<uint8_t> bytes = ReadBytes(shots[0]);
        ASSERT_EQ(bytes.size(), 128u + width * height * 4);
        EXPECT_EQ(std::memcmp(bytes.data(), "DDS ", 4), 0);
        uint32_t size[2];  // height, then width
        std::memcpy(size, &bytes[12], 8);
        EXPECT_EQ(size[0], height);
        EXPECT_EQ(size[1], width);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 128, bytes.begin() + 132),
                  (std::vector<uint8_t>{0, 0, 0, 0}));
        EXPECT_EQ(CountLines("Screenshot saved to: "), ++taken);
        EXPECT_EQ(engine->scene->log.LastMessage(),
                  "Screenshot saved to: " + shots[0].filename().string());
        std::filesystem::remove(shots[0]);
    }
}

}  // namespace
