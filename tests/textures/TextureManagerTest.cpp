// The texture manager's load rules and messages. No GL context here: whatever reaches the
// GPU step fails to upload, which the rules below must still answer with a failure record.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "TextureTestFiles.h"
#include "api/Engine.h"
#include "platform/Paths.h"
#include "scene/Scene.h"
#include "textures/DdsReader.h"
#include "textures/TextureManager.h"
#include "textures/TextureResult.h"

using namespace texture_test;

namespace {

class TextureManagerRules : public ::testing::Test {
   protected:
    void SetUp() override
    {
        CreateEngineObject();
        GetEngine()->scene = std::make_unique<CScene>();
    }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> texts;
        for (const CMessageLog::Entry& entry : GetEngine()->scene->log.EntriesFrom(0))
            texts.push_back(entry.text);
        return texts;
    }

    TextureHandle Load(const std::filesystem::path& path) { return manager.LoadTexture(path); }

    ScratchDirectory scratch;
    CTextureManager manager;
};

// A failed load gives a fresh failure record each time, watches its file and says why as an
// error. A DDS is blamed on its size unless both sides are powers of two (a file without a
// readable header has none), else on its format; extensions are case-sensitive.
TEST_F(TextureManagerRules, FailedLoadsGiveFreshFailureRecordsAndSayWhy)
{
    const std::string kUnsupported = "Texture error! The format is not supported: ";
    const std::string kSize = "Error: DDS needs to be power of two!";
    // Name, bytes (none: no file), message, and whether the path follows it.
    const std::tuple<const char*, std::vector<uint8_t>, std::string, bool> files[] = {
        {"missing.png", {}, kUnsupported, true},
        {"missing.tga", {}, kUnsupported, true},
        {"broken.DDS", {1, 2, 3}, kUnsupported, true},
        {"bad.exr", {0x76, 0x2f, 0x31, 0x01, 0, 0}, kUnsupported, true},
        {"sixteen.tga", TgaBytes({.depth = 16}, {0, 0}),
         "Texture error!, targa error: only 32 bits targa files are supported", true},
        {"odd.dds", DdsBytes(MakeHeader(300, 200, 1, CodeFormat("ABCD")), 256), kSize, false},
        {"flat.dds", DdsBytes(MakeHeader(256, 0, 1, CodeFormat("DXT1")), 256), kSize, false},
        // X8B8G8R8 has no DXGI format.
        {"square.dds",
         DdsBytes(MakeHeader(256, 256, 1, MaskFormat(0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0)), 256),
         "Error: Unknown DDS format, please choose another dds format", false},
        {"absent.dds", {}, kSize, false},
    };
    for (const auto& [name, bytes, message, namesPath] : files) {
        SCOPED_TRACE(name);
        const auto path = scratch / name;
        if (!bytes.empty())
            WriteBytes(path, bytes);
        const TextureHandle first = Load(path);
        EXPECT_EQ(Log().back(), message + (namesPath ? path.string() : ""));
        EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), uint32_t{MessageLevelError});
        EXPECT_NE(Load(path), first);
        EXPECT_EQ(first->name, "Failed");
        EXPECT_EQ(first->file, path);
    }
    EXPECT_EQ(manager.WatchedPaths().size(), std::size(files)) << "each once";
}

TEST_F(TextureManagerRules, SharedLoadsReadATargaOnce)
{
    const auto good = scratch / "good.tga";
    WriteBytes(good, TgaBytes({}, {1, 2, 3, 4}));
    const std::string warning =
        "Warning: TGA texture used, use DDS to better represent it in engine: " + good.string();
    manager.ShareLoadsOnThisThread(true);
    EXPECT_EQ(Load(good), Load(good)) << "one record for every load of the file";
    EXPECT_EQ(std::ranges::count(Log(), warning), 1) << "the second load must not read the file";
    manager.ShareLoadsOnThisThread(false);
    EXPECT_NE(Load(good), Load(good));
    EXPECT_EQ(std::ranges::count(Log(), warning), 3) << "without sharing every load reads the file";
}

// Bytes this process has read from files so far.
uint64_t BytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value && key != "rchar:")
        continue;
    return value;
}

// Files with a texture's name that are no image: a stray backup beside the real texture,
// and 2 GiB files (sparse, so they cost no disk) that must not be read whole.
TEST_F(TextureManagerRules, FilesThatAreNoImageAreSkippedAfterTheirFirstBytes)
{
    constexpr uintmax_t kHuge = uintmax_t{2} << 30;
    // Name, size, and the message when loaded by name (not found beside a model).
    const std::tuple<const char*, uintmax_t, const char*> cases[] = {
        {"Quad_D.bak", 0, "Texture error! The format is not supported: "},
        {"Quad_D.bin", kHuge, "Texture error! The format is not supported: "},
        {"Quad_D.dds", kHuge, "Error: DDS needs to be power of two!"},
        {"Quad_D.tga", kHuge,
         "Texture error!, targa error: only 32 bits targa files are supported"},
        {"Quad_D.exr", kHuge, "Texture error! The format is not supported: "},
    };
    for (const auto& [name, size, loadMessage] : cases) {
        SCOPED_TRACE(name);
        const auto path = scratch / name;
        WriteBytes(path, std::vector<uint8_t>(300, 0x2A));
        if (size)
            std::filesystem::resize_file(path, size);
        const uint64_t readBefore = BytesReadSoFar();
        EXPECT_EQ(manager.LoadDiscoveredTexture(path), nullptr);
        EXPECT_EQ(Log().back(), "Not an image, skipped: " + path.string());
        EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), uint32_t{MessageLevelInfo});
        EXPECT_EQ(Load(path)->name, "Failed");
        EXPECT_EQ(Log().back().rfind(loadMessage, 0), 0u) << Log().back();
        EXPECT_LT(BytesReadSoFar() - readBefore, 64u * 1024);
        std::filesystem::remove(path);
    }
    EXPECT_EQ(manager.LiveRecordCount(), 0u) << "nothing holds the failure records";

    // A real DDS with 2 GiB of something after its texels: only the texels are read.
    const auto padded = scratch / "padded.dds";
    WriteBytes(padded, DdsBytes(MakeHeader(4, 4, 1, kRgba8), 64));
    std::filesystem::resize_file(padded, kHuge);
    const uint64_t readBefore = BytesReadSoFar();
    const DdsFile dds = ReadDdsFile(padded);
    EXPECT_EQ(dds.parsed.result, texture_result::Ok);
    EXPECT_EQ(dds.bytes.size(), 128u + 64u);
    EXPECT_LT(BytesReadSoFar() - readBefore, 64u * 1024);
}

TEST_F(TextureManagerRules, RelativePathsResolveBesideTheProgram)
{
    manager.LoadTexture("no_such_dir\\missing.xyz");
    EXPECT_EQ(Log(), std::vector<std::string>{
                         "Texture error! The format is not supported: " +
                         (platform::ProgramDirectory() / "no_such_dir/missing.xyz").string()});
}

}  // namespace
