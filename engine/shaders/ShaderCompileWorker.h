// HLSL compiles run in a helper process, vornis-shader-worker, under the same memory and
// time caps as model imports: a source whose macros or templates blow up, or that crashes
// the compiler, fails like a syntax error and the viewer goes on with the shaders it has.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/WorkerProcess.h"
#include "shaders/HlslCompile.h"

inline constexpr const char* kShaderWorkerName = "vornis-shader-worker";

// The request (the worker's standard input) and the answer (its answer descriptor).
std::string EncodeHlslJob(const HlslCompileJob& job);
std::optional<HlslCompileJob> DecodeHlslJob(std::string_view bytes);
std::string EncodeHlslResult(const HlslCompileResult& result);
std::optional<HlslCompileResult> DecodeHlslResult(std::string_view bytes);

// The compile in the worker. A worker that dies, runs out of memory or out of time fails it
// with "SOURCE: the shader compiler stopped (signal 6, aborted)", "... ran out of memory" or
// "... took longer than N s". In this process, with a logged note, only when the worker
// cannot start.
HlslCompileResult CompileHlslInWorker(const HlslCompileJob& job);

// For tests: the limits of later workers and whether a worker is used at all.
void SetShaderWorkerLimits(const platform::WorkerLimits& limits);
void SetShaderWorkerEnabled(bool enabled);
