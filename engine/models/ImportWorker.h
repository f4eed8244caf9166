// The import library runs in a helper process, vornis-import-worker: a file that crashes,
// exhausts memory or hangs the library ends that process, never the viewer. The worker
// reads and checks the file exactly as an import in this process does and hands the scene
// back as bytes (SceneTransfer.h).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "models/LibraryImport.h"
#include "platform/WorkerProcess.h"

inline constexpr const char* kImportWorkerName = "vornis-import-worker";

// In the worker: writes the answer ImportInWorker reads; false when the viewer has gone.
bool WriteImportAnswer(const LibraryImport& imported);

// The import through the worker; nullopt when the worker could not be started (`why` then
// says why), so that the caller may import in this process instead.
std::optional<LibraryImport> ImportInWorker(const std::filesystem::path& path, unsigned flags,
                                            std::string& why);

// While one lives on a thread, imports on that thread give up (and kill their worker) as
// soon as `abandoned` says so: a model load overtaken by a newer request.
class ImportAbandonScope {
   public:
    explicit ImportAbandonScope(std::function<bool()> abandoned);
    ~ImportAbandonScope();
    ImportAbandonScope(const ImportAbandonScope&) = delete;
    ImportAbandonScope& operator=(const ImportAbandonScope&) = delete;

   private:
    std::function<bool()> previous;
};

// Whether the ImportAbandonScope of the calling thread says to give up now.
bool ImportAbandonedOnThisThread();

// The refusal of an abandoned import; callers that abandon say nothing more about it.
inline constexpr const char* kImportAbandoned = "import abandoned for a newer request";

// For tests: the limits of later workers, whether a worker is used at all, and the process
// of the latest worker.
void SetImportWorkerLimits(const platform::WorkerLimits& limits);
void SetImportWorkerEnabled(bool enabled);
pid_t LatestImportWorkerPid();
