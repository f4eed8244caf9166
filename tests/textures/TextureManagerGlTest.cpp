// The texture manager against a real GL context: what reaches the GPU, hot reload and its
// memory, loads from another thread, and screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "TextureGlTestSupport.h"
#include "textures/BuiltInTextures.h"
#include "textures/DxgiFormat.h"

using namespace texture_test;

namespace {

TEST_F(TextureManagerGl, BuiltInsHoldTheirTexelsAndFailuresShowTheCheckerboard)
{
    const std::pair<TextureHandle, uint32_t> squares[] = {
        {manager->WhiteSquare(), kWhiteTexel},
        {manager->BlackSquare(), kBlackTexel},
        {manager->DefaultNormalMap(), kFlatNormalTexel}};
    for (const auto& [square, texel] : squares) {
        EXPECT_EQ(square->isBuiltIn, 1);
        EXPECT_EQ(square->size[0], 512.0f);
        const std::vector<uint8_t> one = Rgba8Bytes({texel});
        std::vector<uint8_t> all;
        for (int i = 0; i < 16; ++i)
            all.insert(all.end(), one.begin(), one.end());
        EXPECT_EQ(Texels(square, 4, 4), all) << square->name;
    }
    const auto checker = Texels(manager->ErrorTexture(), 16, 16);
    EXPECT_EQ(std::vector<uint8_t>(checker.begin() + 4, checker.begin() + 8),
              (std::vector<uint8_t>{255, 0, 255, 255}));
    EXPECT_EQ(Load(scratch / "missing.png")->view, manager->ErrorView());
}

// What reaches the GPU is the file's texels, whatever its name says (24-bit RGB widened): a DDS
// named .tga is read as a DDS (its mip count as written), a Targa turns from B, G, R, A into RGBA.
TEST_F(TextureManagerGl, TexelsArriveUnchangedWhateverTheFileIsNamed)
{
    const auto rgba = Rgba8Bytes({0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00, 0x01020304,
                                  0x05060708, 0x090A0B0C, 0x0D0E0F10});
    const auto rgb24 = MaskFormat(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    std::vector<uint8_t> red;
    for (int i = 0; i < 16; ++i)
        red.insert(red.end(), {255, 0, 0, 255});
    const struct {
        const char* name;
        const char* typeName;
        uint32_t mipCount;
        int width, height;
        std::vector<uint8_t> bytes, texels;
    } files[] = {
        {"rgba.dds", "N/A", 1, 4, 2, DdsFileBytes(MakeHeader(4, 2, 1, kRgba8), rgba), rgba},
        {"opaque.dds", "N/A", 1, 2, 1, DdsFileBytes(MakeHeader(2, 1, 1, rgb24), {3, 2, 1, 6, 5, 4}),
         Rgba8Bytes({0xFF030201, 0xFF060504})},
        // One BC1 block: colour 0 pure red, every index 0.
        {"actually_dds.tga", "DXGI_FORMAT_BC1_UNORM", 0, 4, 4,
         DdsFileBytes(MakeHeader(4, 4, 0, CodeFormat("DXT1")), {0, 0xF8, 0x1F, 0, 0, 0, 0, 0}),
         red},
        {"pair.tga", "TGA", 0, 2, 1, TgaBytes({.width = 2}, {1, 2, 3, 4, 5, 6, 7, 8}),
         Rgba8Bytes({0x04010203, 0x08050607})},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        WriteBytes(scratch / file.name, file.bytes);
        TextureHandle record = Load(scratch / file.name);
        EXPECT_EQ(record->name, scratch / file.name);
        EXPECT_EQ(record->typeName, file.typeName);
        EXPECT_EQ(record->mipCount, file.mipCount);
        EXPECT_EQ(record->size[0], static_cast<float>(file.width));
        EXPECT_EQ(record->size[1], static_cast<float>(file.height));
        EXPECT_EQ(Texels(record, file.width, file.height), file.texels);
    }
}

// Faces, slices and levels land in their own GL layers: R tells the face or slice, G the
// level (half floats).
TEST_F(TextureManagerGl, CubeFacesArraySlicesAndLevelsLandInTheirLayers)
{
    const uint16_t halfOf[] = {0x0000, 0x3C00, 0x4000, 0x4200, 0x4400, 0x4500};  // 0 to 5
    const struct {
        const char* name;
        uint32_t arraySize, misc, levels;
        int layers;
        GLenum target;
    } files[] = {{"cube.dds", 1, kDdsMiscTextureCube, 3, 6, GL_TEXTURE_CUBE_MAP},
                 {"array.dds", 3, 0, 1, 3, GL_TEXTURE_2D_ARRAY}};
    for (const auto& file : files) {
        std::vector<uint8_t> data;
        for (int layer = 0; layer < file.layers; ++layer) {
            for (uint32_t level = 0; level < file.levels; ++level) {
                const uint16_t texel[4] = {halfOf[layer], halfOf[level], 0, 0x3C00};
                for (int i = 0; i < (16 >> 2 * level); ++i)
                    data.insert(data.end(), reinterpret_cast<const uint8_t*>(texel),
                                reinterpret_cast<const uint8_t*>(texel) + 8);
            }
        }
        WriteBytes(scratch / file.name,
                   DdsFileBytes(MakeHeader(4, 4, file.levels), data,
                                DdsHeaderDx10{DXGI_FORMAT_R16G16B16A16_FLOAT, kDdsDimension2D,
                                              file.misc, file.arraySize, 0}));
        const TextureHandle record = Load(scratch / file.name);
        EXPECT_EQ(record->view->GetTexture()->Target(), file.target) << file.name;
        EXPECT_EQ(record->typeName, "DXGI_FORMAT_R16G16B16A16_FLOAT");
        EXPECT_EQ(record->mipCount, file.levels);
        for (int layer = 0; layer < file.layers; ++layer) {
            for (uint32_t level = 0; level < file.levels; ++level) {
                const int side = 4 >> level;
                const auto texels =
                    ReadLayer<float>(NameOf(record), level, layer, side, side, GL_FLOAT);
                EXPECT_EQ(std::vector<float>(texels.begin(), texels.begin() + 2),
                          (std::vector<float>{float(layer), float(level)}))
                    << file.name << " layer " << layer << " level " << level;
            }
        }
    }

    // The plain sky of a chosen colour.
    const ShaderResourceViewPtr solid = manager->CreateSolidCubeMap(12, 34, 56);
    EXPECT_EQ(solid->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    for (int face = 0; face < 6; ++face) {
        const auto texels =
            ReadLayer<uint8_t>(solid->GetTexture()->Name(), 0, face, 4, 4, GL_UNSIGNED_BYTE);
        EXPECT_EQ(std::vector<uint8_t>(texels.end() - 4, texels.end()),
                  (std::vector<uint8_t>{12, 34, 56, 255}));
    }
}

TEST_F(TextureManagerGl, EditingATextureKeepsOneTextureAlive)
{
    const auto path = scratch / "edited.dds";
    WriteTexel(path, 0);
    const size_t recordsBefore = manager->LiveRecordCount();
    TextureHandle held = Load(path);
    std::vector<std::weak_ptr<gpu::Texture>> generations{held->view->GetTexture()};
    for (uint32_t edit = 1; edit <= 100; ++edit) {
        WriteTexel(path, edit);
        manager->OnTextureFileChanged(path.string());
        generations.push_back(held->view->GetTexture());
    }
    EXPECT_EQ(std::ranges::count_if(generations, [](auto& g) { return !g.expired(); }), 1);
    EXPECT_EQ(Texels(held)[0], 100);
    EXPECT_EQ(manager->LiveRecordCount(), recordsBefore + 1) << "a reload keeps no record";
    gpu::ReleaseQueuedObjects();
    EXPECT_EQ(gpu::QueuedReleaseCount(), 0u);
}

// A load on another thread uploads through the upload context and leaves its watch for the
// window thread; loading the file again decodes it anew but watches it once.
TEST_F(TextureManagerGl, LoadThreadUsesTheUploadContextAndQueuesItsWatch)
{
    const auto path = scratch / "threaded.dds";
    WriteBytes(path,
               DdsFileBytes(MakeHeader(2, 1, 1, kRgba8), Rgba8Bytes({0x04030201, 0x08070605})));
    const size_t watchedBefore = manager->WatchedPaths().size();
    TextureHandle record;
    std::thread loader([&] { record = Load(path); });
    loader.join();
    EXPECT_EQ(Texels(record, 2, 1), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    const TextureHandle again = Load(path);
    EXPECT_NE(again, record);
    EXPECT_EQ(manager->WatchedPaths().size(), watchedBefore + 1);

    manager->RegisterQueuedWatches();
    DispatchChange(path, 5);
    EXPECT_EQ(CountLines("Texture modified and reloaded : " + path.string()), 1);
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
        return {std::filesystem::directory_iterator(scratch.path), {}};
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

    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{24u, 10u}}) {
        TakeScreenshot(static_cast<int>(width), static_cast<int>(height));
        const auto shots = Shots();
        ASSERT_EQ(shots.size(), 1u);
        const std::vector<uint8_t> bytes = ReadBytes(shots[0]);
        ASSERT_EQ(bytes.size(), 128u + width * height * 4);
        uint32_t size[2];  // height, then width
        std::memcpy(size, &bytes[12], 8);
        EXPECT_EQ(size[0], height);
        EXPECT_EQ(size[1], width);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 128, bytes.begin() + 132),
                  (std::vector<uint8_t>{0, 0, 0, 0}));
        EXPECT_EQ(engine->scene->log.LastMessage(),
                  "Screenshot saved to: " + shots[0].filename().string());
        std::filesystem::remove(shots[0]);
    }
}

}  // namespace
