// vornis-shader-worker MEMORY_BYTES
// Compiles HLSL jobs (ShaderCompileWorker.h), one after another, as the viewer sends them on
// its socket, until the viewer goes. A source that makes the compiler crash, take all memory
// or never end costs this process, never the viewer that started it.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/ServingWorker.h"
#include "platform/WorkerProcess.h"
#include "shaders/ShaderCompileWorker.h"

namespace {

// The source is at most kMaxShaderSourceBytes; names, macros and folders add little.
constexpr uint64_t kMaxJobBytes = kMaxShaderSourceBytes + (1u << 20);

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        _exit(2);
    platform::EnterHelperLimits(std::strtoull(argv[1], nullptr, 10));
    std::string bytes;
    while (platform::ReadServedJob(bytes, kMaxJobBytes)) {
        const std::optional<HlslCompileJob> job = DecodeHlslJob(bytes);
        if (!job)
            _exit(2);
        if (!platform::WriteServedAnswer(EncodeHlslResult(CompileHlsl(*job))))
            _exit(3);
    }
    // No destructors: the compiler's state goes with the process.
    _exit(0);
}
