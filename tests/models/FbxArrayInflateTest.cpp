// Binary FBX files with their arrays inflated ahead give the library the scene the files
// themselves give; a file the rewrite does not fully understand is left as it is.
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <assimp/Importer.hpp>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "FbxBinaryWriter.h"
#include "models/Adler32.h"
#include "models/FbxArrayInflate.h"
#include "models/ModelImporter.h"
#include "models/SceneTransfer.h"
#include "platform/RegularFile.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path)
{
    return platform::ReadRegularFile(path, uint64_t{1} << 30).bytes;
}

// The scene the library makes of these bytes with the engine's steps, encoded; empty when it
// refuses them.
std::string ImportedScene(std::string_view bytes)
{
    Assimp::Importer importer;
    const aiScene* scene =
        importer.ReadFileFromMemory(bytes.data(), bytes.size(), kModelImportFlags, "fbx");
    return scene ? EncodeScene(*scene) : std::string();
}

std::string_view View(const FbxFileBytes& bytes)
{
    return {bytes.data(), bytes.size()};
}

const fs::path kFixtures = fs::path(VORNIS_FIXTURES_DIR) / "blender";

}  // namespace

TEST(FbxArrayInflate, TheLibraryReadsTheSameSceneFromRealFiles)
{
    const fs::path files[] = {kFixtures / "textured.fbx",
                              kFixtures / "instances.fbx",
                              kFixtures / "skinned_figure.fbx",
                              kFixtures / "windmill.fbx",
                              "/usr/share/assimp/models/FBX/spider.fbx",
                              "/usr/share/assimp/models/FBX/huesitos.fbx",
                              "/usr/share/assimp/models/FBX/animation_with_skeleton.fbx"};
    for (const fs::path& file : files) {
        if (!fs::exists(file))
            continue;  // Debian's test models are optional
        SCOPED_TRACE(file.string());
        const std::string bytes = ReadBytes(file);
        const std::optional<FbxFileBytes> inflated = InflateFbxArrays(bytes);
        ASSERT_TRUE(inflated.has_value());
        EXPECT_GT(inflated->size(), bytes.size());
        const std::string expected = ImportedScene(bytes);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(ImportedScene(View(*inflated)) == expected);
    }
}

TEST(FbxArrayInflate, LeavesWhatItDoesNotFullyUnderstandToTheLibrary)
{
    const std::string good = ReadBytes(kFixtures / "skinned_figure.fbx");
    ASSERT_TRUE(InflateFbxArrays(good).has_value());

    const size_t indices = good.find("PolygonVertexIndex");
    ASSERT_NE(indices, std::string::npos);
    const size_t array = indices + std::strlen("PolygonVertexIndex");
    ASSERT_EQ(good[array], 'i');
    ASSERT_EQ(good[array + 5], 1);  // compressed
    uint32_t packed = 0;
    std::memcpy(&packed, good.data() + array + 9, 4);

    std::string damagedStream = good;
    damagedStream[array + 13 + packed / 2] ^= 0x5a;
    std::string wrongSum = good;
    wrongSum[array + 13 + packed - 1] ^= 1;  // the stream's checksum, last
    std::string unknownEncoding = good;
    unknownEncoding[array + 5] = 2;
    std::string unknownType = good;
    unknownType[array] = 'x';
    const std::string cut = good.substr(0, good.size() / 2);
    std::string wrongEnd = good;
    wrongEnd[27] ^= 1;  // the first record's end offset

    const std::string* damaged[] = {&damagedStream, &wrongSum, &unknownEncoding,
                                    &unknownType,   &cut,      &wrongEnd};
    for (const std::string* bytes : damaged)
        EXPECT_FALSE(InflateFbxArrays(*bytes).has_value());
    EXPECT_FALSE(InflateFbxArrays("; FBX 7.4.0 project file\nFBXHeaderExtension:  {\n}\n"));
}

// An array of many megabytes is summed in stretches on every core; its whole sum decides.
TEST(FbxArrayInflate, ALargeArraysChecksumIsCheckedWhole)
{
    testing_support::ScratchDirectory dir;
    assets::SceneNodeMesh torus{"torus", {}};
    assets::AddTorus(torus.geometry, 1.0f, 0.35f, 700, 250);
    const fs::path path = dir.path / "torus.fbx";
    ASSERT_EQ(assets::WriteBinaryFbxScene(path.string(), {torus}), "");
    const std::string good = ReadBytes(path);
    ASSERT_TRUE(InflateFbxArrays(good).has_value());

    const size_t array = good.find("Normalsd") + std::strlen("Normals");
    ASSERT_NE(array, std::string::npos + std::strlen("Normals"));
    uint32_t values = 0, packed = 0;
    std::memcpy(&values, good.data() + array + 1, 4);
    std::memcpy(&packed, good.data() + array + 9, 4);
    ASSERT_GT(uint64_t{values} * sizeof(double), uint64_t{3} * (4 << 20));
    std::string wrongSum = good;
    wrongSum[array + 13 + packed - 2] ^= 1;  // the checksum's third byte
    EXPECT_FALSE(InflateFbxArrays(wrongSum).has_value());
}

TEST(FbxArrayInflate, AStreamShorterThanItsArrayIsFilledWithZerosAsTheLibraryFillsIt)
{
    // Three more indices claimed than the stream holds: the library reads them as zeros.
    std::string bytes = ReadBytes(kFixtures / "skinned_figure.fbx");
    const size_t array = bytes.find("PolygonVertexIndex") + std::strlen("PolygonVertexIndex");
    uint32_t count = 0;
    std::memcpy(&count, bytes.data() + array + 1, 4);
    count += 3;
    std::memcpy(bytes.data() + array + 1, &count, 4);

    const std::optional<FbxFileBytes> inflated = InflateFbxArrays(bytes);
    ASSERT_TRUE(inflated.has_value());
    const std::string_view plain = View(*inflated);
    const size_t at = plain.find("PolygonVertexIndex") + std::strlen("PolygonVertexIndex");
    int32_t last[3];
    std::memcpy(last, plain.data() + at + 13 + (count - 3) * 4, sizeof last);
    EXPECT_EQ(last[0], 0);
    EXPECT_EQ(last[1], 0);
    EXPECT_EQ(last[2], 0);
    EXPECT_TRUE(ImportedScene(plain) == ImportedScene(bytes));
}

TEST(FbxArrayInflate, TheChecksumIsZlibs)
{
    // Random bytes and bytes of 255 (the largest sums), across block and chunk edges, from
    // the start and from a running sum.
    std::vector<uint8_t> random(3 << 20), full(3 << 20, 255);
    std::mt19937 generator(7);
    for (uint8_t& byte : random)
        byte = static_cast<uint8_t>(generator());
    for (const std::vector<uint8_t>* bytes : {&random, &full})
        for (const size_t length :
             {0, 1, 15, 16, 17, 5535, 5536, 5537, 5552, 5553, 100003, 3 << 20})
            for (const uint32_t start : {1u, 0xfff0fff0u}) {
                const uint32_t expected =
                    static_cast<uint32_t>(adler32(start, bytes->data(), static_cast<uInt>(length)));
                EXPECT_EQ(Adler32(start, bytes->data(), length), expected) << length;
            }
}
