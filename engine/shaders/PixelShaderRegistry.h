// Which pixel shader is compiled under which display name, in which order, and how a
// failure stops the rest. The compile itself is injected, so the rules hold for the GL
// registry and for tests alike.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

inline constexpr const char* kDefaultPixelShaderFile = "shaders/PS_PixelShaders.fx";
inline constexpr const char* kDefaultMainEntryPoint = "MainPixelShader";

struct PixelShaderRow {
    const char* displayName;
    const char* entryPoint;  // null for row 1: the custom entry or "MainPixelShader"
    bool fromMainFile;       // rows 1 and 2 come from the custom file when one is chosen
    bool honoursForce;       // the skybox keeps its precompiled file even on a reload
};

// Compile order.
inline constexpr const char* kBoneWeightShaderName = "Bone Weights";
extern const std::array<PixelShaderRow, 18> kPixelShaderRows;

// The channel views, numbered as the debug interface offers them.
extern const std::array<const char*, 12> ShaderViewNames;

// One row as it is compiled this time: the custom file and entry decide rows 1 and 2.
struct PixelShaderJob {
    std::string displayName;
    std::string sourceFile;
    std::string entryPoint;
    bool forceCompile = false;
};
std::vector<PixelShaderJob> PixelShaderJobs(const std::string& customPixelShaderFile,
                                            const std::string& customPixelShaderEntry,
                                            bool forceCompile);

// (display name, source file, entry point, force compile, error text) -> success.
using CompilePixelShaderFn = std::function<bool(const std::string&, const std::string&,
                                                const std::string&, bool, std::string&)>;

// Runs the table: row 1 may fail alone; a failure of row 2 or any later row stops
// everything after it. Reports "All shaders compiled successfully" (level 1) only when
// every row succeeded.
void CompileAllPixelShaders(const CompilePixelShaderFn& compile,
                            const std::string& customPixelShaderFile,
                            const std::string& customPixelShaderEntry, bool forceCompile);
