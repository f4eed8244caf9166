// CompileShaderFile, precompiled paths and files.
#include <gtest/gtest.h>

#include "ShaderTestSupport.h"
#include "platform/Paths.h"
#include "shaders/ShaderCompiler.h"

namespace {

constexpr const char* kMinimalPixel =
    "float4 Main() : SV_Target\n"
    "{\n"
    "#ifdef RED\n"
    "    return float4(1, 0, 0, 1);\n"
    "#else\n"
    "    return float4(0, 1, 0, 1);\n"
    "#endif\n"
    "}\n";

TEST(CompileShaderFile, MacrosReachThePreprocessor)
{
    ScratchDirectory dir;
    auto file = dir.Write("a.fx", kMinimalPixel);
    ShaderBytecode plain, red;
    std::string error;
    ASSERT_TRUE(CompileShaderFile(file.string(), "Main", "ps_5_0", plain, error, {}));
    ASSERT_TRUE(CompileShaderFile(file.string(), "Main", "ps_5_0", red, error, {{"RED", "true"}}));
    EXPECT_NE(plain, red);
}

TEST(CompileShaderFile, RelativeNamesAreLookedUpBesideTheProgramNotTheCurrentDirectory)
{
    ScratchDirectory dir;
    dir.Write("shaders/only_here.fx", kMinimalPixel);
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

TEST(CompileShaderFile, BackslashNamesFindTheShippedShaders)
{
    ShaderBytecode code;
    std::string error;
    EXPECT_TRUE(CompileShaderFile("shaders\\lineshader.fx", "PShader", "ps_4_0", code, error, {}))
        << error;
}

TEST(CompileShaderFile, IncludesResolveRelativeToTheIncludingFile)
{
    ScratchDirectory dir;
    dir.Write(
        "lib/colour.fx",
        "#include \"deeper/value.fx\"\nstatic const float4 Colour = float4(VALUE, 0, 0, 1);\n");
    dir.Write("lib/deeper/value.fx", "#define VALUE 0.5\n");
    auto file = dir.Write("main.fx",
                          "#include \"lib/colour.fx\"\n"
                          "float4 Main() : SV_Target { return Colour; }\n");
    ShaderBytecode code;
    std::string error;
    EXPECT_TRUE(CompileShaderFile(file.string(), "Main", "ps_5_0", code, error, {})) << error;
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

TEST(PrecompiledFiles, RoundTripRawWords)
{
    ScratchDirectory dir;
    ShaderBytecode code = {0x07230203u, 0x00010000u, 1, 2, 3, 4};
    std::string path = (dir.path / "x.shaderkest").string();
    ASSERT_TRUE(WritePrecompiledFile(path, code));
    EXPECT_EQ(std::filesystem::file_size(path), code.size() * 4);
    ShaderBytecode read;
    ASSERT_TRUE(ReadPrecompiledFile(path, read));
    EXPECT_EQ(read, code);
}

TEST(PrecompiledFiles, RejectFilesThatAreNotSpirv)
{
    ScratchDirectory dir;
    ShaderBytecode read;
    EXPECT_FALSE(ReadPrecompiledFile((dir.path / "missing.shaderkest").string(), read));
    EXPECT_FALSE(
        ReadPrecompiledFile(dir.Write("odd.shaderkest", "0123456789abcdefghijk").string(), read));
    EXPECT_FALSE(
        ReadPrecompiledFile(dir.Write("text.shaderkest", "0123456789abcdefghij").string(), read));
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(WritePrecompiledFile((dir.path / "no/such/dir/x.shaderkest").string(), {1}));
}

}  // namespace
