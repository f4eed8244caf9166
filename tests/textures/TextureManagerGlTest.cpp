// The texture manager against a real GL context: what reaches the GPU from files of every
// kind, from model files and from materials; what holds texture records and what releases
// them; hot reload that reaches every holder, and its memory; loads from another thread;
// screenshots.
#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <thread>

#include "FbxSceneWriter.h"
#include "TextureTestFiles.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "models/ModelNode.h"
#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "textures/BuiltInTextures.h"
#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"
#include "textures/MaterialTexel.h"
#include "textures/Screenshot.h"
#include "textures/TextureManager.h"

using namespace texture_test;

namespace {

namespace fs = std::filesystem;

GLuint NameOf(const TextureHandle& record)
{
    return record && record->view && record->view->GetTexture() ? record->view->GetTexture()->Name()
                                                                : 0;
}

std::vector<uint8_t> Texels(const TextureHandle& record, int width = 1, int height = 1)
{
    return testing_support::ReadTextureRgba8(NameOf(record), width, height);
}

// The last texel of one layer (array slice or cube face) of one square level, as RGBA8.
std::vector<uint8_t> LastTexel(GLuint texture, int level, int layer, int side)
{
    std::vector<uint8_t> texels(static_cast<size_t>(side) * side * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureSubImage(texture, level, 0, 0, layer, side, side, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                         static_cast<GLsizei>(texels.size()), texels.data());
    return {texels.end() - 4, texels.end()};
}

// A 1 x 1 RGBA8 DDS, or a cube of six such faces.
void WriteTexel(const fs::path& path, uint32_t texel, bool cube = false)
{
    WriteBytes(path, DdsFileBytes(cube ? Cube(1, 1, 1, kRgba8) : MakeHeader(1, 1, 1, kRgba8),
                                  Repeated(Rgba8Bytes({texel}), cube ? 6 : 1)));
}

class TextureManagerGl : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(64, 64), 0);
        engine = GetEngine();
        manager = engine->textureManager.get();
    }

    TextureHandle Load(const fs::path& path)
    {
        return manager->LoadTexture(platform::Utf8ToUtf16(path.string()).value());
    }

    int CountLines(const std::string& prefix) const
    {
        int count = 0;
        for (const CMessageLog::Entry& entry : engine->scene->log.EntriesFrom(0))
            count += entry.text.rfind(prefix, 0) == 0;
        return count;
    }

    // Dates the file `secondsAhead` into the future and lets the watcher report it.
    void DispatchChange(const fs::path& path, int secondsAhead)
    {
        fs::last_write_time(path,
                            fs::file_time_type::clock::now() + std::chrono::seconds(secondsAhead));
        engine->fileWatcher->ScanOnce();
        engine->fileWatcher->DispatchChanges();
    }

    CEngine* engine = nullptr;
    CTextureManager* manager = nullptr;
    ScratchDirectory scratch;
};

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

// Built-in and made textures hold their texels; failures show the checkerboard. Textures
// made while loads share are shared.
TEST_F(TextureManagerGl, BuiltInAndMadeTexturesHoldTheirTexelsAndFailuresShowTheCheckerboard)
{
    const std::pair<TextureHandle, uint32_t> squares[] = {
        {manager->WhiteSquare(), kWhiteTexel},
        {manager->BlackSquare(), kBlackTexel},
        {manager->DefaultNormalMap(), kFlatNormalTexel}};
    for (const auto& [square, texel] : squares)
        EXPECT_EQ(Texels(square, 4, 4), Repeated(Rgba8Bytes({texel}), 16)) << square->name;
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

    const MaterialValues values{1.0f, 0.25f, 0.75f, 0.0f};

    manager->ShareLoadsOnThisThread(true);
    const TextureHandle embedded = manager->LoadTextureBytes("/m/box.fbx*0", ".png", png);
    const TextureHandle colour = manager->ColourTexture(PackRgba8(9, 8, 7, 255));
    const TextureHandle material = manager->MaterialTexture(values);
    EXPECT_EQ(manager->LoadTextureBytes("/m/box.fbx*0", ".png", png), embedded);
    EXPECT_EQ(manager->ColourTexture(PackRgba8(9, 8, 7, 255)), colour);
    EXPECT_EQ(manager->MaterialTexture(values), material);
    manager->ShareLoadsOnThisThread(false);

    EXPECT_EQ(embedded->isBuiltIn, 0);
    EXPECT_EQ(colour->isBuiltIn, 1);
    EXPECT_EQ(Texels(material), Rgba8Bytes({PackMaterialTexel(values, true)}));

    // The frame tells the manager which packing the shaders use: the same record, held by
    // every mesh that shows it, changes its texels.
    manager->FollowTexturePacking(false);
    EXPECT_EQ(Texels(material), Rgba8Bytes({PackMaterialTexel(values, false)}));
    // And one made now is made for it.
    EXPECT_EQ(Texels(manager->MaterialTexture(values)),
              Rgba8Bytes({PackMaterialTexel(values, false)}));
}

// What reaches the GPU is the file's texels, whatever its name says: the first bytes decide,
// so a DDS named .tga is read as a DDS (its mip count as written) and a JPEG named .png as a
// JPEG; 24-bit RGB is widened, a Targa turns from B, G, R, A into RGBA.
TEST_F(TextureManagerGl, TexelsArriveUnchangedWhateverTheFileIsNamed)
{
    const auto rgba = Rgba8Bytes({0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00});
    const std::vector<uint8_t> rgba8 = {10, 20, 30, 255, 40, 50, 60, 255};
    const auto rgb24 = MaskFormat(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    const auto red = Repeated({255, 0, 0, 255}, 16), grey = Repeated({128, 128, 128, 255}, 64);
    // Name, type name, mip count, width, height, bytes, texels.
    using File = std::tuple<const char*, const char*, uint32_t, int, int, std::vector<uint8_t>,
                            std::vector<uint8_t>>;
    const File files[] = {
        {"rgba.dds", "N/A", 1, 2, 2, DdsFileBytes(MakeHeader(2, 2, 1, kRgba8), rgba), rgba},
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
    for (const auto& [name, typeName, mipCount, width, height, bytes, texels] : files) {
        SCOPED_TRACE(name);
        WriteBytes(scratch / name, bytes);
        TextureHandle record = Load(scratch / name);
        EXPECT_EQ(record->typeName, typeName);
        EXPECT_EQ(record->mipCount, mipCount);
        EXPECT_EQ(std::pair(record->size[0], record->size[1]),
                  std::pair(float(width), float(height)));
        EXPECT_EQ(Texels(record, width, height), texels);
    }
}

// Faces, slices and levels land in their own GL layers: R tells the face or slice, G the
// level.
TEST_F(TextureManagerGl, CubeFacesArraySlicesAndLevelsLandInTheirLayers)
{
    // Name, array size, flags, levels, layers, GL target.
    const std::tuple<const char*, uint32_t, uint32_t, uint32_t, int, GLenum> files[] = {
        {"cube.dds", 1, kDdsMiscTextureCube, 3, 6, GL_TEXTURE_CUBE_MAP},
        {"array.dds", 3, 0, 1, 3, GL_TEXTURE_2D_ARRAY}};
    for (const auto& [name, arraySize, misc, levels, layers, target] : files) {
        std::vector<uint8_t> data;
        for (int layer = 0; layer < layers; ++layer)
            for (uint32_t level = 0; level < levels; ++level)
                for (int texel = 0; texel < 16 >> 2 * level; ++texel)
                    data.insert(data.end(), {uint8_t(layer), uint8_t(level), 0, 255});
        WriteBytes(scratch / name,
                   DdsFileBytes(MakeHeader(4, 4, levels), data,
                                DdsHeaderDx10{DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, misc,
                                              arraySize, 0}));
        const TextureHandle record = Load(scratch / name);
        EXPECT_EQ(record->view->GetTexture()->Target(), target) << name;
        EXPECT_EQ(record->mipCount, levels);
        for (int layer = 0; layer < layers; ++layer)
            for (uint32_t level = 0; level < levels; ++level)
                EXPECT_EQ(LastTexel(NameOf(record), level, layer, 4 >> level),
                          (std::vector<uint8_t>{uint8_t(layer), uint8_t(level), 0, 255}))
                    << name << " layer " << layer << " level " << level;
    }

    // The plain sky of a chosen colour.
    const ShaderResourceViewPtr solid = manager->CreateSolidCubeMap(12, 34, 56);
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(LastTexel(solid->GetTexture()->Name(), 0, face, 4),
                  (std::vector<uint8_t>{12, 34, 56, 255}));
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
    WriteTexel(path, 0x04030201);
    const size_t watchedBefore = manager->WatchedPaths().size();
    TextureHandle record;
    std::thread([&] { record = Load(path); }).join();
    EXPECT_EQ(Texels(record), (std::vector<uint8_t>{1, 2, 3, 4}));
    const TextureHandle again = Load(path);
    EXPECT_NE(again, record);
    EXPECT_EQ(manager->WatchedPaths().size(), watchedBefore + 1);

    manager->RegisterQueuedWatches();
    DispatchChange(path, 5);
    EXPECT_EQ(CountLines("Texture modified and reloaded : " + path.string()), 1);
}

// A texture read while it was being saved fails; once the file is whole it is loaded into
// the same record, which every holder sees.
TEST_F(TextureManagerGl, ATextureThatFailedToLoadIsLoadedOnceItsFileIsFixed)
{
    const auto path = scratch / "half_saved.dds";
    WriteBytes(path, {'D', 'D', 'S', ' ', 1, 2});
    const TextureHandle record = Load(path);
    ASSERT_EQ(record->name, "Failed");
    manager->RegisterQueuedWatches();
    WriteTexel(path, 0x04030201);
    DispatchChange(path, 5);
    EXPECT_EQ(record->name, path);
    EXPECT_EQ(record->isBuiltIn, 0);
    EXPECT_EQ(Texels(record), (std::vector<uint8_t>{1, 2, 3, 4}));
}

// Sizes the capture cannot take write nothing; a taken shot holds the requested size of
// the cleared capture target (nothing is drawn into it yet) and is named in the log.
TEST_F(TextureManagerGl, ScreenshotsOfEachValidSizeWriteOneFileOfThatSize)
{
    const fs::path original = fs::current_path();
    fs::current_path(scratch.path);  // where shots land
    auto shots = [&] { return std::vector<fs::path>(fs::directory_iterator("."), {}); };
    for (const auto& [width, height] : {std::pair{0, 16}, {16, 0}, {-4, 4}})
        TakeScreenshot(width, height);
    EXPECT_TRUE(shots().empty());
    EXPECT_EQ(CountLines("Screenshot saved to: "), 0);

    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{24u, 10u}}) {
        TakeScreenshot(static_cast<int>(width), static_cast<int>(height));
        ASSERT_EQ(shots().size(), 1u);
        const fs::path shot = shots()[0];
        const DdsFile file = ReadDdsFile(shot);
        ASSERT_EQ(file.parsed.result, 0);
        EXPECT_EQ(std::pair(file.parsed.image.width, file.parsed.image.height),
                  std::pair(width, height));
        const auto& texels = file.parsed.image.At(0, 0).data;
        EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + 4),
                  (std::vector<uint8_t>{0, 0, 0, 0}));
        EXPECT_EQ(engine->scene->log.LastMessage(),
                  "Screenshot saved to: " + shot.filename().string());
        fs::remove(shot);
    }
    fs::current_path(original);
}

// The shot's name is known in advance: a link planted under it (to a file elsewhere) or a
// FIFO is replaced, never written through nor waited on.
TEST_F(TextureManagerGl, AScreenshotReplacesALinkOrFifoPlantedUnderItsName)
{
    const fs::path original = fs::current_path();
    const fs::path folder = scratch / "shots";
    fs::create_directories(folder);
    fs::current_path(folder);
    const fs::path victim = scratch / "victim.txt";
    std::ofstream(victim) << "keep";
    alarm(60);  // a blocking open ends the test
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "FIFO" : "link");
        // The names of this second and the next few.
        const std::time_t now = std::time(nullptr);
        for (std::time_t t = now; t < now + 4; ++t) {
            std::tm local{};
            localtime_r(&t, &local);
            const std::string name = ScreenshotFileName(local);
            fs::remove(name);
            if (fifo)
                ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
            else
                fs::create_symlink(victim, name);
        }
        TakeScreenshot(2, 2);
        const std::string last = engine->scene->log.LastMessage();
        ASSERT_EQ(last.rfind("Screenshot saved to: ", 0), 0u) << last;
        const fs::path shot = last.substr(std::string("Screenshot saved to: ").size());
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(shot)));
        EXPECT_EQ(fs::file_size(shot), 128u + 16u);
    }
    alarm(0);
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
    for (const fs::path& entry : std::vector<fs::path>(fs::directory_iterator(folder), {}))
        EXPECT_EQ(entry.extension(), ".dds") << "left behind: " << entry;
    fs::current_path(original);
}

class TextureLifetime : public TextureManagerGl {
   protected:
    // Quads side by side, one node and mesh per name.
    void WriteQuads(const fs::path& path, const std::vector<std::string>& names)
    {
        std::vector<assets::SceneNodeMesh> nodes;
        for (const std::string& name : names) {
            assets::SceneNodeMesh& node = nodes.emplace_back();
            node.nodeName = name;
            const float x = 2.5f * static_cast<float>(nodes.size() - 1);
            assets::AddPatch(node.geometry, {x, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1);
        }
        ASSERT_EQ(assets::WriteFbxScene(path.string(), nodes), "");
    }

    // Loads through the exported interface, as the viewer does, and runs a frame.
    void LoadAndWait(const fs::path& path)
    {
        LoadModel(path.string().c_str());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!IsModelLoaded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(IsModelLoaded());
        Present();
    }

    std::vector<CMeshObject*> MeshObjects()
    {
        std::vector<CMeshObject*> meshes;
        engine->scene->WithModel([&](CModelNode* model) { model->CollectMeshObjects(meshes); });
        return meshes;
    }
};

// Meshes sharing a file make one record and one texture. Switching between such a model
// and the demo must not pile up textures: whatever the replaced model held is released
// with it.
TEST_F(TextureLifetime, MeshesShareOneTextureAndAReplacedModelReleasesItsOwn)
{
    const std::vector<std::string> parts = {"Part1", "Part2", "Part3", "Part4",
                                            "Part5", "Part6", "Part7", "Part8"};
    WriteQuads(scratch / "eight.fbx", parts);
    WriteTexel(scratch / "Albedo_D.dds", 0xFF00FF00);
    const size_t records = manager->LiveRecordCount();
    const size_t textures = gpu::LiveTextureCount();
    for (int load = 0; load <= 50; ++load)
        LoadAndWait(load % 2 ? fs::path("demo/spheres.fbx") : scratch / "eight.fbx");
    Present();  // releases the last replaced model's textures

    // The file, and the 1 x 1 material texture that their equal materials share.
    EXPECT_EQ(gpu::LiveTextureCount(), textures + 2);
    EXPECT_EQ(manager->LiveRecordCount(), records + 1);
    const std::vector<CMeshObject*> meshes = MeshObjects();
    ASSERT_EQ(meshes.size(), parts.size());
    const TextureHandle& albedo = meshes[0]->textureSlots[0][kAlbedoSlot].texture;
    EXPECT_EQ(albedo->name, scratch / "Albedo_D.dds");
    for (const CMeshObject* mesh : meshes)
        for (const TextureBlock& block : mesh->textureSlots)
            EXPECT_EQ(block[kAlbedoSlot].texture, albedo);
}

// A custom texture named relative to the program, held by the scene's slot, by every mesh
// and by a preview of its own: one edit reaches all of them.
TEST_F(TextureLifetime, AnEditedCustomTextureReachesEveryHolder)
{
    WriteQuads(scratch / "pair.fbx", {"Left", "Right"});
    LoadAndWait(scratch / "pair.fbx");
    const fs::path folder = platform::ProgramDirectory() / ("custom_" + std::to_string(getpid()));
    fs::create_directories(folder);
    WriteTexel(folder / "custom.dds", 0xFF0000FF);
    const std::string relative = (folder.filename() / "custom.dds").string();
    SetExtraTexture(relative.c_str(), 2);

    const TextureHandle slot = engine->scene->extraTextures[2].texture;
    ASSERT_NE(NameOf(slot), 0u);
    for (const CMeshObject* mesh : MeshObjects())
        EXPECT_EQ(mesh->extraTextures[2], slot) << "one record for the meshes and the slot";
    const TextureHandle preview = manager->LoadTexture(relative);
    EXPECT_NE(preview, slot);

    WriteTexel(folder / "custom.dds", 0xFF00FFFF);
    DispatchChange(folder / "custom.dds", 5);
    EXPECT_EQ(Texels(slot), Rgba8Bytes({0xFF00FFFF}));
    EXPECT_EQ(Texels(preview), Rgba8Bytes({0xFF00FFFF}));
    EXPECT_EQ(CountLines("Texture modified and reloaded : " + (folder / "custom.dds").string()), 1);
    fs::remove_all(folder);
}

TEST_F(TextureLifetime, ASkyEditedIntoAFlatImageStaysShownUntilItIsACubeAgain)
{
    const fs::path sky = scratch / "sky.dds";
    WriteTexel(sky, 0xFF0000FF, true);
    SetSkyBoxTexture(sky.string().c_str());
    const TextureHandle shown = engine->scene->cubeMap;
    ASSERT_EQ(shown->name, sky);
    const ShaderResourceViewPtr cube = shown->view;

    WriteTexel(sky, 0xFF00FF00);
    DispatchChange(sky, 5);
    EXPECT_EQ(engine->scene->cubeMap, shown);
    EXPECT_EQ(shown->view, cube);
    EXPECT_EQ(CountLines("Texture not reloaded, the file is no longer a cube map: "), 1);
    EXPECT_EQ(CountLines("Texture modified and reloaded : "), 0);

    WriteTexel(sky, 0xFFFF0000, true);
    DispatchChange(sky, 10);
    EXPECT_EQ(engine->scene->cubeMap, shown);
    ASSERT_NE(shown->view, cube);
    EXPECT_EQ(shown->view->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(LastTexel(NameOf(shown), 0, 5, 1), (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(CountLines("Texture modified and reloaded : "), 1);
}

}  // namespace
