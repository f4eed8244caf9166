// Writes the fuzzers' seed corpus when VORNIS_FUZZ_SEED_DIR names a directory
// (tools/fuzz/run.sh sets it); skipped otherwise.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TextureTestFiles.h"
#include "textures/DxgiFormat.h"

using namespace texture_test;

TEST(FuzzSeedCorpus, WritesDdsAndTgaSeeds)
{
    const char* root = std::getenv("VORNIS_FUZZ_SEED_DIR");
    if (!root || !*root)
        GTEST_SKIP() << "VORNIS_FUZZ_SEED_DIR not set";
    const std::filesystem::path dds = std::filesystem::path(root) / "dds";
    const std::filesystem::path tga = std::filesystem::path(root) / "tga";
    std::filesystem::create_directories(dds);
    std::filesystem::create_directories(tga);

    const DdsPixelFormat rgba8 = MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    WriteBytes(dds / "rgba8_mips.dds", DdsBytes(MakeHeader(4, 4, 3, rgba8), 64 + 16 + 4));
    WriteBytes(dds / "l8.dds",
               DdsBytes(MakeHeader(3, 5, 1, MaskFormat(0x20000, 8, 0xFF, 0, 0, 0)), 15));
    WriteBytes(dds / "dxt5.dds", DdsBytes(MakeHeader(8, 8, 4, CodeFormat("DXT5")), 64 + 16 * 3));
    DdsHeader cube = MakeHeader(4, 4, 2, CodeFormat("DXT1"));
    cube.caps2 = 0xFE00 | 0x200;
    WriteBytes(dds / "cube.dds", DdsBytes(cube, 6 * 16));
    DdsHeader volume = MakeHeader(2, 2, 2, rgba8);
    volume.flags |= 0x00800000;
    volume.depth = 2;
    WriteBytes(dds / "volume.dds", DdsBytes(volume, 32 + 4));
    const DdsHeaderDx10 array{DXGI_FORMAT_BC7_UNORM, 3, 0, 2, 0};
    WriteBytes(dds / "dx10_array.dds", DdsBytes(MakeDx10Header(4, 4, 1), 32, &array));
    const DdsHeaderDx10 oneD{DXGI_FORMAT_R16_FLOAT, 2, 0, 1, 0};
    WriteBytes(dds / "dx10_1d.dds", DdsBytes(MakeDx10Header(8, 1, 4), 16 + 8 + 4 + 2, &oneD));

    WriteBytes(tga / "rgba32.tga", TgaBytes({.type = 2, .width = 2, .height = 2, .depth = 32},
                                            std::vector<uint8_t>(16, 0x40)));
    WriteBytes(tga / "rle24.tga",
               TgaBytes({.type = 10, .width = 5, .height = 1, .depth = 24, .descriptor = 0x10},
                        {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}));
    WriteBytes(tga / "grey16.tga",
               TgaBytes({.type = 11, .width = 2, .height = 2, .depth = 16}, {0x83, 1, 2}));
    WriteBytes(tga / "mapped.tga", TgaBytes({.type = 9,
                                             .width = 2,
                                             .height = 1,
                                             .depth = 8,
                                             .idLength = 2,
                                             .mapLength = 2,
                                             .mapEntryBits = 32},
                                            {0x01, 0, 1}, {1, 2, 3, 4, 5, 6, 7, 8}));
    SUCCEED();
}
