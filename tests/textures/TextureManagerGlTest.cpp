// The texture manager against a real GL context: what reaches the GPU from files of every
// kind, from model files and from materials, hot reload and its memory, loads from another
// thread, and screenshots.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <thread>

#include "TextureGlTestSupport.h"
#include "textures/BuiltInTextures.h"
#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"
#include "textures/MaterialTexel.h"

using namespace texture_test;

namespace {

std::vector<uint8_t> Encode(bool png, int width, int height, const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> bytes;
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (png)
        stbi_write_png_to_func(append, &bytes, width, height, 4, rgba.data(), width * 4);
    else
        stbi_write_jpg_to_func(append, &bytes, width, height, 4, rgba.data(), 100);
    return bytes;
}

TEST_F(TextureManagerGl, BuiltInsHoldTheirTexelsAndFailuresShowTheCheckerboard)
{
    const std::pair<TextureHandle, uint32_t> squares[] = {
        {manager->WhiteSquare(), kWhiteTexel},
        {manager->BlackSquare(), kBlackTexel},
        {manager->DefaultNormalMap(), kFlatNormalTexel}};
    for (const auto& [square, texel] : squares) {
        EXPECT_EQ(square->isBuiltIn, 1);
        EXPECT_EQ(square->size[0], 512.0f);
        EXPECT_EQ(Texels(square, 4, 4), Repeated(Rgba8Bytes({texel}), 16)) << square->name;
    }
    const auto checker = Texels(manager->ErrorTexture(), 16, 16);
    EXPECT_EQ(std::vector<uint8_t>(checker.begin() + 4, checker.begin() + 8),
              (std::vector<uint8_t>{255, 0, 255, 255}));
    // As do a missing file, a PNG cut short and an image in a model file that is none.
    const std::vector<uint8_t> png = Encode(true, 2, 1, std::vector<uint8_t>(8, 1));
    WriteBytes(scratch / "broken.png", std::vector<uint8_t>(png.begin(), png.begin() + 30));
    EXPECT_EQ(Load(scratch / "missing.png")->view, manager->ErrorView());
    EXPECT_EQ(Load(scratch / "broken.png")->view, manager->ErrorView());
    EXPECT_EQ(CountLines("Texture error! The image cannot be decoded: "), 1);
    EXPECT_EQ(
        manager->LoadTextureBytes("/m/box.fbx*1", ".png", std::vector<uint8_t>{1, 2, 3})->view,
        manager->ErrorView());
}

// What reaches the GPU is the file's texels, whatever its name says: the first bytes decide,
// so a DDS named .tga is read as a DDS (its mip count as written) and a JPEG named .png as a
// JPEG; 24-bit RGB is widened, a Targa turns from B, G, R, A into RGBA.
TEST_F(TextureManagerGl, TexelsArriveUnchangedWhateverTheFileIsNamed)
{
    const auto rgba = Rgba8Bytes({0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00, 0x01020304,
                                  0x05060708, 0x090A0B0C, 0x0D0E0F10});
    const std::vector<uint8_t> rgba8 = {10, 20, 30, 255, 40, 50, 60, 255};
    const auto rgb24 = MaskFormat(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    const auto red = Repeated({255, 0, 0, 255}, 16), grey = Repeated({128, 128, 128, 255}, 64);
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
        {"picture.png", "PNG", 0, 2, 1, Encode(true, 2, 1, rgba8), rgba8},
        {"photo.png", "JPEG", 0, 8, 8, Encode(false, 8, 8, grey), grey},
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
// level.
TEST_F(TextureManagerGl, CubeFacesArraySlicesAndLevelsLandInTheirLayers)
{
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
                const auto texels =
                    Repeated({uint8_t(layer), uint8_t(level), 0, 255}, 16 >> 2 * level);
                data.insert(data.end(), texels.begin(), texels.end());
            }
        }
        WriteBytes(scratch / file.name,
                   DdsFileBytes(MakeHeader(4, 4, file.levels), data,
                                DdsHeaderDx10{DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D,
                                              file.misc, file.arraySize, 0}));
        const TextureHandle record = Load(scratch / file.name);
        EXPECT_EQ(record->view->GetTexture()->Target(), file.target) << file.name;
        EXPECT_EQ(record->mipCount, file.levels);
        for (int layer = 0; layer < file.layers; ++layer) {
            for (uint32_t level = 0; level < file.levels; ++level) {
                const auto texels = ReadLayer(NameOf(record), level, layer, 4 >> level);
                EXPECT_EQ(std::vector<uint8_t>(texels.end() - 4, texels.end()),
                          (std::vector<uint8_t>{uint8_t(layer), uint8_t(level), 0, 255}))
                    << file.name << " layer " << layer << " level " << level;
            }
        }
    }

    // The plain sky of a chosen colour.
    const ShaderResourceViewPtr solid = manager->CreateSolidCubeMap(12, 34, 56);
    EXPECT_EQ(solid->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    for (int face = 0; face < 6; ++face) {
        const auto texels = ReadLayer(solid->GetTexture()->Name(), 0, face, 4);
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

TEST_F(TextureManagerGl, MadeTexturesAreSharedInAScopeAndFollowThePacking)
{
    const std::vector<uint8_t> png = Encode(true, 1, 1, {200, 100, 50, 255});
    const MaterialValues values{1.0f, 0.25f, 0.75f, 0.0f};

    manager->ShareLoadsOnThisThread(true);
    const TextureHandle embedded = manager->LoadTextureBytes("/m/box.fbx*0", ".png", png);
    const TextureHandle colour = manager->ColourTexture(PackRgba8(9, 8, 7, 255));
    const TextureHandle material = manager->MaterialTexture(values);
    EXPECT_EQ(manager->LoadTextureBytes("/m/box.fbx*0", ".png", png), embedded);
    EXPECT_EQ(manager->ColourTexture(PackRgba8(9, 8, 7, 255)), colour);
    EXPECT_EQ(manager->MaterialTexture(values), material);
    manager->ShareLoadsOnThisThread(false);

    EXPECT_EQ(embedded->name, "/m/box.fbx*0");
    EXPECT_EQ(embedded->isBuiltIn, 0);
    EXPECT_EQ(colour->isBuiltIn, 1);
    EXPECT_EQ(Texels(colour), Rgba8Bytes({PackRgba8(9, 8, 7, 255)}));
    EXPECT_EQ(Texels(material), Rgba8Bytes({PackMaterialTexel(values, true)}));

    // The frame tells the manager which packing the shaders use: the same record, held by
    // every mesh that shows it, changes its texels.
    manager->FollowTexturePacking(false);
    EXPECT_EQ(Texels(material), Rgba8Bytes({PackMaterialTexel(values, false)}));
    // And one made now is made for it.
    EXPECT_EQ(Texels(manager->MaterialTexture(values)),
              Rgba8Bytes({PackMaterialTexel(values, false)}));
}

// Sizes the capture cannot take write nothing; a taken shot holds the requested size of
// the cleared capture target (nothing is drawn into it yet) and is named in the log.
TEST_F(TextureManagerGl, ScreenshotsOfEachValidSizeWriteOneFileOfThatSize)
{
    std::filesystem::current_path(scratch.path);  // where shots land
    auto shots = [&] {
        return std::vector<std::filesystem::path>(std::filesystem::directory_iterator("."), {});
    };
    TakeScreenshot(0, 16);
    TakeScreenshot(16, 0);
    TakeScreenshot(-4, 4);
    EXPECT_TRUE(shots().empty());
    EXPECT_EQ(CountLines("Screenshot saved to: "), 0);

    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{24u, 10u}}) {
        TakeScreenshot(static_cast<int>(width), static_cast<int>(height));
        ASSERT_EQ(shots().size(), 1u);
        const std::filesystem::path shot = shots()[0];
        const DdsFile file = ReadDdsFile(shot);
        ASSERT_EQ(file.parsed.result, 0);
        EXPECT_EQ(std::pair(file.parsed.image.width, file.parsed.image.height),
                  std::pair(width, height));
        const auto& texels = file.parsed.image.At(0, 0).data;
        EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + 4),
                  (std::vector<uint8_t>{0, 0, 0, 0}));
        EXPECT_EQ(engine->scene->log.LastMessage(),
                  "Screenshot saved to: " + shot.filename().string());
        std::filesystem::remove(shot);
    }
}

}  // namespace
