// The on-disk shader cache: a hit must give exactly what a compile gives, and anything the
// compile read that changed must miss.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "shaders/ShaderCache.h"
#include "shaders/ShaderCompiler.h"

namespace {

namespace fs = std::filesystem;

class ShaderCacheTest : public ::testing::Test {
   protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("vornis_cache_" + std::to_string(getpid()));
        fs::create_directories(root / "src");
        cache = root / "cache";
        setenv("VORNIS_SHADER_CACHE", cache.c_str(), 1);
        Write("common.fx", "float4 Tint() { return float4(1, 0, 0, 1); }\n");
        Write("main.fx",
              "#include \"common.fx\"\n"
              "float4 Main(float4 p : SV_Position) : SV_Target { return Tint(); }\n");
    }
    void TearDown() override
    {
        setenv("VORNIS_SHADER_CACHE", "off", 1);
        fs::remove_all(root);
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(root / "src" / name) << text;
    }
    bool Compile(ShaderBytecode& code, std::string& error)
    {
        return CompileShaderFile((root / "src" / "main.fx").string(), "Main", "ps_5_0", code, error,
                                 {});
    }
    size_t Entries() const
    {
        size_t count = 0;
        std::error_code ec;
        for (fs::directory_iterator it(cache, ec), end; !ec && it != end; it.increment(ec))
            ++count;
        return count;
    }

    fs::path root;
    fs::path cache;
};

TEST_F(ShaderCacheTest, ASecondCompileIsServedFromTheCacheWithTheSameCode)
{
    ShaderBytecode first, second;
    std::string error;
    ASSERT_TRUE(Compile(first, error)) << error;
    ASSERT_EQ(Entries(), 1u);
    const shader_cache::CompileInputs inputs{
        (root / "src" / "main.fx").lexically_normal().string(),
        "#include \"common.fx\"\n"
        "float4 Main(float4 p : SV_Position) : SV_Target { return Tint(); }\n",
        "Main",
        "ps_5_0",
        {}};
    ASSERT_TRUE(shader_cache::Load(inputs, second));
    EXPECT_EQ(first, second);
}

TEST_F(ShaderCacheTest, AChangedIncludeOrMacroMissesAndStoresAnotherEntry)
{
    ShaderBytecode code;
    std::string error;
    ASSERT_TRUE(Compile(code, error)) << error;
    const ShaderBytecode red = code;
    Write("common.fx", "float4 Tint() { return float4(0, 1, 0, 1); }\n");
    ASSERT_TRUE(Compile(code, error)) << error;
    EXPECT_NE(code, red) << "the edited include must be compiled, not taken from the cache";
    EXPECT_EQ(Entries(), 1u) << "same key, replaced entry";

    ASSERT_TRUE(CompileShaderFile((root / "src" / "main.fx").string(), "Main", "ps_5_0", code,
                                  error, {{"USETEXTUREPACKING", "true"}}));
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(ShaderCacheTest, CompilesWithMessagesAreNeverStoredAndDamagedEntriesAreIgnored)
{
    // A warning fails the compile; such bytecode must not come back from the cache either.
    Write("main.fx",
          "float4 Main(float4 p : SV_Position) : SV_Target { return 1; }\n"
          "#extension GL_vornis_nothing : enable\n");
    ShaderBytecode code;
    std::string error;
    EXPECT_FALSE(Compile(code, error));
    EXPECT_EQ(Entries(), 0u);

    Write("main.fx", "float4 Main(float4 p : SV_Position) : SV_Target { return 1; }\n");
    ASSERT_TRUE(Compile(code, error)) << error;
    const ShaderBytecode good = code;
    for (fs::directory_iterator it(cache), end; it != end; ++it)
        fs::resize_file(it->path(), fs::file_size(it->path()) / 2);
    ASSERT_TRUE(Compile(code, error)) << error;
    EXPECT_EQ(code, good);
}

TEST_F(ShaderCacheTest, OffMeansNothingIsWritten)
{
    setenv("VORNIS_SHADER_CACHE", "off", 1);
    ShaderBytecode code;
    std::string error;
    ASSERT_TRUE(Compile(code, error)) << error;
    EXPECT_FALSE(fs::exists(cache));
}

}  // namespace
