// CompileShaderFile, precompiled paths and files.
#include <gtest/gtest.h>

#include "ShaderTestSupport.h"
#include "platform/Paths.h"
#include "shaders/ShaderCompiler.h"

namespace {

// A macro reaches the preprocessor and through it a nested include, which resolves beside the
// file that includes it; the shipped shaders answer to either separator.
TEST(CompileShaderFile, MacrosIncludesAndBothSeparatorsWork)
{
    ScratchDirectory dir;
    dir.Write("lib/colour.fx",
              "#include \"deeper/value.fx\"\n"
              "static const float4 Colour = float4(VALUE, 0, 0, 1);\n");
    dir.Write("lib/deeper/value.fx",
              "#ifdef RED\n#define VALUE 1\n#else\n#define VALUE 0.5\n#endif\n");
    auto file = dir.Write("main.fx",
                          "#include \"lib/colour.fx\"\n"
                          "float4 Main() : SV_Target { return Colour; }\n");
    ShaderBytecode plain, red;
    std::string error;
    ASSERT_TRUE(CompileShaderFile(file.string(), "Main", "ps_5_0", plain, error, {})) << error;
    ASSERT_TRUE(CompileShaderFile(file.string(), "Main", "ps_5_0", red, error, {{"RED", "true"}}))
        << error;
    EXPECT_NE(plain, red);
    EXPECT_TRUE(CompileShaderFile("shaders\\lineshader.fx", "PShader", "ps_4_0", plain, error, {}))
        << error;
}

TEST(CompileShaderFile, RelativeNamesAreLookedUpBesideTheProgramNotTheCurrentDirectory)
{
    ScratchDirectory dir;
    dir.Write("shaders/only_here.fx", "float4 Main() : SV_Target { return 1; }\n");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    ShaderBytecode code;
    std::string error;
    bool ok = CompileShaderFile("shaders/only_here.fx", "Main", "ps_5_0", code, error, {});
    std::filesystem::current_path(previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Shader not found: " +
                         (platform::ProgramDirectory() / "shaders/only_here.fx").string());
}

// Errors, warnings (an unknown extension is only a warning to the front end), cyclic or
// missing includes and binary garbage: no code, and a message that says where.
TEST(CompileShaderFile, BrokenOrHostileFilesFailWithAMessage)
{
    ScratchDirectory dir;
    dir.Write("loop.fx", "#include \"loop.fx\"\n");
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    const struct {
        const char* name;
        std::string text;
        const char* said;
    } files[] = {
        {"broken.fx", "float4 Main() : SV_Target\n{\n    return undefinedThing;\n}\n",
         "broken.fx:3"},
        {"warn.fx",
         "float4 Main() : SV_Target { return 1; }\n#extension GL_vornis_nothing : enable\n",
         "warn.fx:2"},
        {"a.fx", "#include \"loop.fx\"\nfloat4 Main() : SV_Target { return 0; }\n", "include"},
        {"b.fx", "#include \"nowhere.fx\"\nfloat4 Main() : SV_Target { return 0; }\n",
         "nowhere.fx"},
        {"garbage.fx", garbage, ""},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        ShaderBytecode code;
        std::string error;
        EXPECT_FALSE(CompileShaderFile(dir.Write(file.name, file.text).string(), "Main", "ps_5_0",
                                       code, error, {}));
        EXPECT_TRUE(code.empty());
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(file.said), std::string::npos) << error;
    }
}

// Raw words, and nothing but SPIR-V of whole words is read back.
TEST(PrecompiledFiles, RoundTripRawWordsAndRejectOtherFiles)
{
    ScratchDirectory dir;
    const ShaderBytecode code = {0x07230203u, 0x00010000u, 1, 2, 3, 4};
    const std::string path = (dir.path / "x.shaderkest").string();
    ASSERT_TRUE(WritePrecompiledFile(path, code));
    EXPECT_EQ(std::filesystem::file_size(path), code.size() * 4);
    ShaderBytecode read;
    ASSERT_TRUE(ReadPrecompiledFile(path, read));
    EXPECT_EQ(read, code);

    for (const std::string& bad : {(dir.path / "missing.shaderkest").string(),
                                   dir.Write("odd.shaderkest", "0123456789abcdefghijk").string(),
                                   dir.Write("text.shaderkest", "0123456789abcdefghij").string()}) {
        read.clear();
        EXPECT_FALSE(ReadPrecompiledFile(bad, read)) << bad;
        EXPECT_TRUE(read.empty());
    }
    EXPECT_FALSE(WritePrecompiledFile((dir.path / "no/such/dir/x.shaderkest").string(), {1}));
}

}  // namespace
