// The on-disk shader cache: a hit must give exactly what a compile gives, and anything the
// compile read that changed must miss.
#include <gtest/gtest.h>

#include "ShaderTestSupport.h"
#include "shaders/ShaderCache.h"
#include "shaders/ShaderCompiler.h"

namespace {

namespace fs = std::filesystem;

const std::string kMain =
    "#include \"common.fx\"\n"
    "float4 Main(float4 p : SV_Position) : SV_Target { return Tint(); }\n";

class ShaderCacheTest : public ::testing::Test {
   protected:
    void SetUp() override
    {
        setenv("VORNIS_SHADER_CACHE", Cache().c_str(), 1);
        dir.Write("common.fx", "float4 Tint() { return float4(1, 0, 0, 1); }\n");
        dir.Write("main.fx", kMain);
    }
    void TearDown() override { setenv("VORNIS_SHADER_CACHE", "off", 1); }

    fs::path Cache() const { return dir.path / "cache"; }
    bool Compile(ShaderBytecode& code, const ShaderMacros& macros = {})
    {
        std::string error;
        const bool ok = CompileShaderFile((dir.path / "main.fx").string(), "Main", "ps_5_0", code,
                                          error, macros);
        EXPECT_TRUE(ok || !error.empty());
        return ok;
    }
    size_t Entries() const
    {
        std::error_code ec;
        return std::distance(fs::directory_iterator(Cache(), ec), fs::directory_iterator());
    }

    ScratchDirectory dir;
};

TEST_F(ShaderCacheTest, AHitGivesTheCompiledCodeAndAChangedIncludeOrMacroMisses)
{
    ShaderBytecode red, cached, code;
    ASSERT_TRUE(Compile(red));
    ASSERT_EQ(Entries(), 1u);
    const shader_cache::CompileInputs inputs{
        (dir.path / "main.fx").lexically_normal().string(), kMain, "Main", "ps_5_0", {}};
    ASSERT_TRUE(shader_cache::Load(inputs, cached));
    EXPECT_EQ(cached, red);

    dir.Write("common.fx", "float4 Tint() { return float4(0, 1, 0, 1); }\n");
    ASSERT_TRUE(Compile(code));
    EXPECT_NE(code, red) << "the edited include must be compiled, not taken from the cache";
    EXPECT_EQ(Entries(), 1u) << "same key, replaced entry";
    ASSERT_TRUE(Compile(code, {{"USETEXTUREPACKING", "true"}}));
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(ShaderCacheTest, CompilesWithMessagesAreNeverStoredAndDamagedEntriesAreIgnored)
{
    // A warning fails the compile; such bytecode must not come back from the cache either.
    dir.Write("main.fx",
              "float4 Main(float4 p : SV_Position) : SV_Target { return 1; }\n"
              "#extension GL_vornis_nothing : enable\n");
    ShaderBytecode code;
    EXPECT_FALSE(Compile(code));
    EXPECT_EQ(Entries(), 0u);

    dir.Write("main.fx", "float4 Main(float4 p : SV_Position) : SV_Target { return 1; }\n");
    ASSERT_TRUE(Compile(code));
    const ShaderBytecode good = code;
    for (fs::directory_iterator it(Cache()), end; it != end; ++it)
        fs::resize_file(it->path(), fs::file_size(it->path()) / 2);
    ASSERT_TRUE(Compile(code));
    EXPECT_EQ(code, good);
}

TEST_F(ShaderCacheTest, OffMeansNothingIsWritten)
{
    setenv("VORNIS_SHADER_CACHE", "off", 1);
    ShaderBytecode code;
    ASSERT_TRUE(Compile(code));
    EXPECT_FALSE(fs::exists(Cache()));
}

}  // namespace
