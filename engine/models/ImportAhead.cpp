#include "models/ImportAhead.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "models/ImportWorker.h"
#include "models/ModelFileName.h"
#include "platform/LargeStackThread.h"

namespace fs = std::filesystem;

namespace {

struct Ahead {
    fs::path path;
    unsigned flags = 0;
    std::atomic<bool> abandoned{false};
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::optional<LibraryImport> result;
};

std::mutex slotLock;
std::shared_ptr<Ahead> slot;

void Finish(Ahead& ahead, std::optional<LibraryImport> result)
{
    std::lock_guard<std::mutex> guard(ahead.lock);
    ahead.result = std::move(result);
    ahead.done = true;
    ahead.ended.notify_all();
}

}  // namespace

bool StartImportAhead(const fs::path& path, unsigned flags)
{
    auto ahead = std::make_shared<Ahead>();
    ahead->path = AnchoredModelPath(path);
    ahead->flags = flags;
    {
        std::lock_guard<std::mutex> guard(slotLock);
        if (slot)
            slot->abandoned = true;
        slot = ahead;
    }
    const std::string problem = platform::StartDetachedLargeStackThread([ahead] {
        std::optional<LibraryImport> result;
        try {
            const ImportAbandonScope abandonable([ahead] { return ahead->abandoned.load(); });
            result = ImportThroughLibrary(ahead->path, ahead->flags);
        } catch (...) {
            // Out of memory, most likely: whoever takes it imports for itself and says so.
        }
        Finish(*ahead, std::move(result));
    });
    if (problem.empty())
        return true;
    std::lock_guard<std::mutex> guard(slotLock);
    if (slot == ahead)
        slot.reset();
    return false;
}

std::optional<LibraryImport> TakeImportAhead(const fs::path& path, unsigned flags)
{
    std::shared_ptr<Ahead> ahead;
    {
        std::lock_guard<std::mutex> guard(slotLock);
        if (!slot || slot->flags != flags || slot->path != AnchoredModelPath(path))
            return std::nullopt;
        ahead = std::move(slot);
    }
    std::unique_lock<std::mutex> guard(ahead->lock);
    while (!ahead->done) {
        // A load overtaken while it waits stops the worker ahead as it would stop its own.
        if (ImportAbandonedOnThisThread())
            ahead->abandoned = true;
        ahead->ended.wait_for(guard, std::chrono::milliseconds(2));
    }
    return std::move(ahead->result);
}

LibraryImport ImportThroughLibraryOrAhead(const fs::path& path, unsigned flags)
{
    if (std::optional<LibraryImport> ahead = TakeImportAhead(path, flags))
        return std::move(*ahead);
    return ImportThroughLibrary(path, flags);
}
