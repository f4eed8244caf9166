// CompileShaderFile and precompiled files; the on-disk cache, where a hit must give exactly
// what a compile gives and anything the compile read that changed must miss; and the
// SPIR-V -> GLSL translation with the reflection of vertex inputs.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <set>

#include "ShaderTestSupport.h"
#include "platform/ServingWorker.h"
#include "shaders/MacroExpansion.h"
#include "shaders/ShaderCache.h"
#include "shaders/ShaderCompileWorker.h"
#include "shaders/ShaderCompiler.h"
#include "shaders/ShaderTranslator.h"

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

// Errors, warnings (an unknown extension is only a warning to the front end), cyclic or
// missing includes and binary garbage: no code, and a message that says where.
TEST(CompileShaderFile, BrokenOrHostileFilesFailWithAMessage)
{
    ScratchDirectory dir;
    dir.Write("loop.fx", "#include \"loop.fx\"\n");
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    // Macros that double at each level: the preprocessor would make 2^48 tokens of them.
    std::string doubling = "#define L0 x x\n", nested = "#define F0(a) a a\n";
    for (int level = 1; level <= 48; ++level) {
        const std::string n = std::to_string(level), before = std::to_string(level - 1);
        doubling += "#define L" + n + " L" + before + " L" + before + "\n";
        nested += "#define F" + n + "(a) F" + before + "(F" + before + "(a))\n";
    }
    doubling += "float4 Main() : SV_Target { return L48; }\n";
    nested += "float4 Main() : SV_Target { return F48(1); }\n";
    dir.Write("bomb.fx", doubling);
    // Each file's own macros stay within the bound; together they double 36 times.
    std::string first = "#define P0 (1.0 + 1.0)\n",
                spread = "#include \"first.fx\"\n#define Q0 (P18 + P18)\n";
    for (int level = 1; level <= 18; ++level) {
        const std::string n = std::to_string(level), before = std::to_string(level - 1);
        first += "#define P" + n + " (P" + before + " + P" + before + ")\n";
        spread += "#define Q" + n + " (Q" + before + " + Q" + before + ")\n";
    }
    spread += "float4 Main() : SV_Target { return Q18; }\n";
    dir.Write("first.fx", first);
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
        {"doubling.fx", doubling, "its macros expand to more than"},
        {"nested.fx", nested, "its macros expand to more than"},
        {"c.fx", "#include \"bomb.fx\"\n", "its macros expand to more than"},
        {"spread.fx", spread, "cannot include \"first.fx\": its macros expand to more than"},
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

bool IsZombie(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// Compiles run in the shader worker. A bomb the macro bound cannot see (its name made by
// pasting tokens) reaches the compiler: the worker's time cap ends it with a message within
// seconds, and the next compile works, in the worker and, with the worker turned off, in
// this process. The job and the answer survive their encoding; damaged answers are refused.
TEST(ShaderWorker, ACompileBeyondItsCapsFailsAndTheNextOneWorks)
{
    ScratchDirectory dir;
    std::string second = "#define CAT(a, b) a##b\n#define L0 (1.0 + 1.0)\n";
    for (int level = 1; level <= 40; ++level) {
        const std::string n = std::to_string(level), before = std::to_string(level - 1);
        second += "#define L" + n + " (L" + before + " + L" + before + ")\n";
    }
    second += "float4 Main() : SV_Target { return CAT(L, 40); }\n";
    ShaderBytecode code;
    std::string error;
    platform::WorkerLimits limits;
    limits.time = std::chrono::seconds(2);
    SetShaderWorkerLimits(limits);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CompileShaderFile(dir.Write("second.fx", second).string(), "Main", "ps_5_0", code,
                                   error, {}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    SetShaderWorkerLimits({});
    EXPECT_TRUE(code.empty());
    EXPECT_TRUE(error.find("second.fx: the shader compiler took longer than 2 s") !=
                    std::string::npos ||
                error.find("second.fx: the shader compiler ran out of memory") != std::string::npos)
        << error;

    const std::string plain = dir.Write("plain.fx", "float4 Main() : SV_Target { return V; }\n");
    for (bool worker : {true, false}) {
        SetShaderWorkerEnabled(worker);
        EXPECT_TRUE(
            CompileShaderFile(plain, "Main", "ps_5_0", code, error, {{"V", worker ? "1" : "0.5"}}))
            << error;
        EXPECT_FALSE(code.empty());
    }
    SetShaderWorkerEnabled(true);

    // A worker killed while idle is replaced before the next job; one that overruns is
    // killed (or ends itself at its memory cap) and the next job gets a fresh one.
    platform::ServingWorker worker(platform::FindHelperProgram(kShaderWorkerName), {"1000000000"});
    const std::string job = EncodeHlslJob(
        {plain, "float4 Main() : SV_Target { return 1; }", "Main", ShaderStage::Pixel, {}, {}});
    const platform::WorkerRun answered = worker.Ask(job, {});
    ASSERT_EQ(answered.end, platform::WorkerEnd::Answered) << answered.detail;
    ASSERT_TRUE(DecodeHlslResult(answered.answer.View()));
    kill(answered.pid, SIGKILL);
    // Until it has ended: a zombie waiting to be reaped.
    for (int wait = 0; wait < 400 && !IsZombie(answered.pid); ++wait)
        usleep(5000);
    const platform::WorkerRun again = worker.Ask(job, {});
    EXPECT_EQ(again.end, platform::WorkerEnd::Answered) << again.detail;
    EXPECT_NE(again.pid, answered.pid);
    const HlslCompileJob bomb{
        (dir.path / "second.fx").string(), second, "Main", ShaderStage::Pixel, {}, {}};
    // Its 1 GB cap or the time cap, whichever comes first.
    const platform::WorkerEnd overrun = worker.Ask(EncodeHlslJob(bomb), limits).end;
    EXPECT_TRUE(overrun == platform::WorkerEnd::TimedOut ||
                overrun == platform::WorkerEnd::OutOfMemory);
    EXPECT_EQ(kill(again.pid, 0), -1);  // the overrunning worker is gone
    EXPECT_EQ(worker.Ask(job, {}).end, platform::WorkerEnd::Answered);

    HlslCompileJob fields{"a/b.fx",
                          "text",
                          "Main",
                          ShaderStage::Vertex,
                          {{"A", "1"}, {"B", ""}},
                          {{{"/r1"}, {"/r2"}}, "/user"}};
    const std::optional<HlslCompileJob> back = DecodeHlslJob(EncodeHlslJob(fields));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sourceName + back->source + back->entryPoint, "a/b.fxtextMain");
    EXPECT_EQ(back->stage, ShaderStage::Vertex);
    EXPECT_EQ(back->macros, fields.macros);
    EXPECT_EQ(back->layout.roots, fields.layout.roots);
    EXPECT_EQ(back->layout.userShaderDirectory, "/user");
    HlslCompileResult result{{0x07230203u, 7}, "", {"line"}, {{"inc.fx", "x"}}};
    const std::string answer = EncodeHlslResult(result);
    const std::optional<HlslCompileResult> read = DecodeHlslResult(answer);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->code, result.code);
    EXPECT_EQ(read->debugLines, result.debugLines);
    ASSERT_EQ(read->includes.size(), 1u);
    EXPECT_EQ(read->includes[0].content, "x");
    for (size_t cut = 0; cut < answer.size(); ++cut)
        EXPECT_FALSE(DecodeHlslResult(std::string_view(answer).substr(0, cut))) << cut;
    std::string huge = answer;
    huge[4] = huge[5] = huge[6] = huge[7] = '\xff';  // a code length beyond the answer
    EXPECT_FALSE(DecodeHlslResult(huge));
}

// The estimate follows what the preprocessor does on what real shaders hold.
TEST(MacroExpansion, CountsExpansionsOnceAndStopsAtSelfReference)
{
    EXPECT_EQ(EstimateExpandedTokens("#define TWO x x\nTWO TWO // TWO\n"), 4.0);
    EXPECT_EQ(EstimateExpandedTokens("#define SQ(a) ((a) * (a))\nSQ(SQ(y))\n"), 25.0);
    EXPECT_EQ(EstimateExpandedTokens("#define A A + 1\nA\n"), 3.0);
    EXPECT_EQ(EstimateExpandedTokens("#define F(a) a\nF\n"), 1.0);
    std::string deep = "#define F(a) a\n";
    for (int i = 0; i < 1000; ++i)
        deep += "F(";
    deep += "x" + std::string(1000, ')');
    EXPECT_GT(EstimateExpandedTokens(deep), kMaxExpandedShaderTokens);  // no deeper than any shader
    for (const char* file : {"shaders/PS_PixelShaders.fx", "shaders/VertexShaders.fx"}) {
        std::ifstream in(file);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        ASSERT_FALSE(text.empty()) << file;
        EXPECT_LT(EstimateExpandedTokens(text), 100000.0) << file;
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

// The on-disk cache: a hit gives exactly what the compile gave; a changed include or macro
// misses; a compile with a message is never stored; a damaged entry is ignored; "off" writes
// nothing.
TEST(ShaderCache, AHitGivesTheCompiledCodeAndAnythingChangedFailedOrDamagedMisses)
{
    namespace fs = std::filesystem;
    ScratchDirectory dir;
    const fs::path cache = dir.path / "cache";
    const std::string main =
        "#include \"common.fx\"\n"
        "float4 Main(float4 p : SV_Position) : SV_Target { return Tint(); }\n";
    const std::string file = dir.Write("main.fx", main).string();
    dir.Write("common.fx", "float4 Tint() { return float4(1, 0, 0, 1); }\n");
    auto compile = [&](ShaderBytecode& code, const ShaderMacros& macros) {
        std::string error;
        return CompileShaderFile(file, "Main", "ps_5_0", code, error, macros);
    };
    auto entries = [&] {
        std::error_code ec;
        return std::distance(fs::directory_iterator(cache, ec), fs::directory_iterator());
    };
    ShaderBytecode red, cached, code;
    setenv("VORNIS_SHADER_CACHE", "off", 1);
    ASSERT_TRUE(compile(red, {}));
    EXPECT_FALSE(fs::exists(cache));
    setenv("VORNIS_SHADER_CACHE", cache.c_str(), 1);
    ASSERT_TRUE(compile(red, {}));
    ASSERT_EQ(entries(), 1);
    ASSERT_TRUE(shader_cache::Load(
        {fs::path(file).lexically_normal().string(), main, "Main", "ps_5_0", {}}, cached));
    EXPECT_EQ(cached, red);

    dir.Write("common.fx", "float4 Tint() { return float4(0, 1, 0, 1); }\n");
    ASSERT_TRUE(compile(code, {}));
    EXPECT_NE(code, red) << "the edited include must be compiled, not taken from the cache";
    EXPECT_EQ(entries(), 1) << "same key, replaced entry";
    const ShaderBytecode green = code;
    ASSERT_TRUE(compile(code, {{"USETEXTUREPACKING", "true"}}));
    EXPECT_EQ(entries(), 2);

    // A warning fails the compile; such bytecode must not come back from the cache either.
    dir.Write("main.fx",
              "float4 Main(float4 p : SV_Position) : SV_Target { return 1; }\n"
              "#extension GL_vornis_nothing : enable\n");
    EXPECT_FALSE(compile(code, {}));
    EXPECT_EQ(entries(), 2);

    for (fs::directory_iterator it(cache), end; it != end; ++it)
        fs::resize_file(it->path(), fs::file_size(it->path()) / 2);
    dir.Write("main.fx", main);
    ASSERT_TRUE(compile(code, {}));
    EXPECT_EQ(code, green);
    setenv("VORNIS_SHADER_CACHE", "off", 1);
}

ShaderBytecode Compile(const ScratchDirectory& dir, const std::string& source,
                       const std::string& entry, const std::string& target)
{
    auto file = dir.Write("t.fx", source);
    ShaderBytecode code;
    std::string error;
    EXPECT_TRUE(CompileShaderFile(file.string(), entry, target, code, error, {})) << error;
    return code;
}

TEST(TranslateToGlsl, ReflectsEverySemanticWithItsLocation)
{
    ScratchDirectory dir;
    auto code =
        Compile(dir,
                "struct In { float4 p : POSITION; float2 uv : TEXCOORD3; float4 c : color1; };\n"
                "float4 Main(In i) : SV_Position { return i.p + float4(i.uv, 0, 0) + i.c; }\n",
                "Main", "vs_5_0");
    TranslatedShader out;
    std::string error;
    ASSERT_TRUE(TranslateToGlsl(code, out, error)) << error;
    EXPECT_EQ(out.stage, ShaderStage::Vertex);
    std::multiset<std::string> semantics;
    for (const auto& input : out.inputs)
        semantics.insert(input.semanticName + std::to_string(input.semanticIndex));
    // Semantics ignore case.
    EXPECT_EQ(semantics, (std::multiset<std::string>{"COLOR1", "POSITION0", "TEXCOORD3"}));
    // The reported location is the one the GLSL declares for that input.
    for (const auto& input : out.inputs) {
        std::regex declared("layout\\(location = " + std::to_string(input.location) + "\\) in");
        EXPECT_TRUE(std::regex_search(out.glsl, declared)) << out.glsl;
    }
}

// Bytecode that is not SPIR-V, and a cbuffer that std140 cannot hold: HLSL packs the float3
// right after the float (offset 4), std140 cannot. Either fails like a compile.
TEST(TranslateToGlsl, RefusesNoiseAndCbuffersThatStd140CannotHold)
{
    ShaderBytecode noise(64);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint32_t>(i * 2654435761u);
    noise[0] = 0x07230203u;
    TranslatedShader out;
    for (const ShaderBytecode& bad :
         {ShaderBytecode{}, ShaderBytecode{0x07230203u, 0x00010000u, 0, 99, 0, 0xFFFFFFFFu},
          noise}) {
        std::string error;
        EXPECT_FALSE(TranslateToGlsl(bad, out, error));
        EXPECT_FALSE(error.empty());
    }
    ScratchDirectory dir;
    auto code = Compile(dir,
                        "cbuffer C : register(b0) { float a; float3 b; };\n"
                        "float4 Main() : SV_Target { return float4(b, a); }\n",
                        "Main", "ps_5_0");
    std::string error;
    EXPECT_FALSE(TranslateToGlsl(code, out, error));
    EXPECT_NE(error.find("std140"), std::string::npos) << error;
}

}  // namespace
