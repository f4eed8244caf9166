// A helper process that serves one job after another, for jobs that cost less than the
// helper's start (a compiler that builds its tables once). Each job has its own time cap;
// a helper that dies or overruns is killed, that job fails with the reason, and the next
// job starts a fresh helper. The helper sees the end of its input when the viewer goes, so
// none outlives it.
//
// Jobs and answers travel as a 64-bit length and the bytes, over one socket that is the
// helper's standard input and its answer descriptor.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WorkerProcess.h"

namespace platform {

class ServingWorker {
   public:
    ServingWorker(std::filesystem::path program, std::vector<std::string> arguments);
    ~ServingWorker();
    ServingWorker(const ServingWorker&) = delete;
    ServingWorker& operator=(const ServingWorker&) = delete;

    // One job: Answered with the answer, or why not (as RunWorker says it).
    WorkerRun Ask(std::string_view job, const WorkerLimits& limits);

   private:
    bool Start(WorkerRun& run);
    // Kills and reaps the helper; `run` (when given) learns how it had ended.
    void Stop(WorkerRun* run);

    std::filesystem::path program;
    std::vector<std::string> arguments;
    pid_t pid = 0;
    int socket = -1;
};

// In the helper: the next job on standard input; false at the end of the input (the viewer
// has gone) or when a job is longer than `maxBytes`.
bool ReadServedJob(std::string& job, uint64_t maxBytes);
// In the helper: the answer to the job just read; false when the viewer has gone.
bool WriteServedAnswer(std::string_view answer);

}  // namespace platform
