// Images as real-world models bring them: PNG and JPEG files, images held in
// the model file, and the 1 x 1 colour and material textures made for materials.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstring>

#include "TextureGlTestSupport.h"
#include "textures/BuiltInTextures.h"
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

// The first bytes decide, whatever the name says; a file cut short shows the checkerboard.
TEST_F(TextureManagerGl, PngAndJpegFilesArriveAsRgba8)
{
    const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 255};
    const std::vector<uint8_t> png = Encode(true, 2, 1, rgba);
    WriteBytes(scratch / "picture.png", png);
    WriteBytes(scratch / "photo.png", Encode(false, 8, 8, std::vector<uint8_t>(8 * 8 * 4, 128)));
    WriteBytes(scratch / "broken.png", std::vector<uint8_t>(png.begin(), png.begin() + 30));

    const TextureHandle picture = Load(scratch / "picture.png");
    EXPECT_EQ(picture->typeName, "PNG");
    EXPECT_EQ(picture->isBuiltIn, 0);
    EXPECT_EQ(picture->size[0], 2.0f);
    EXPECT_EQ(Texels(picture, 2, 1), rgba);
    const TextureHandle photo = Load(scratch / "photo.png");
    EXPECT_EQ(photo->typeName, "JPEG");
    EXPECT_NEAR(Texels(photo, 8, 8)[0], 128, 3);
    EXPECT_EQ(Texels(photo, 8, 8)[3], 255);

    const TextureHandle failed = Load(scratch / "broken.png");
    EXPECT_EQ(failed->name, "Failed");
    EXPECT_EQ(failed->view, manager->ErrorView());
    EXPECT_EQ(CountLines("Texture error! The image cannot be decoded: "), 1);
}

TEST_F(TextureManagerGl, MadeTexturesAreSharedInAScopeAndFollowThePacking)
{
    const std::vector<uint8_t> rgba = {200, 100, 50, 255};
    const std::vector<uint8_t> png = Encode(true, 1, 1, rgba);
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
    EXPECT_EQ(Texels(embedded), rgba);
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

    const TextureHandle garbage =
        manager->LoadTextureBytes("/m/box.fbx*1", ".png", std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(garbage->name, "Failed");
    EXPECT_EQ(garbage->view, manager->ErrorView());
}

}  // namespace
