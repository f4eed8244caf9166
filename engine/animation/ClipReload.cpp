#include "animation/ClipReload.h"

#include <condition_variable>

#include "animation/ClipImport.h"
#include "platform/LargeStackThread.h"

namespace {

std::mutex runningLock;
std::condition_variable runningEnded;
int running = 0;

void Deliver(const ClipImport& imported, const std::vector<ClipReloadTarget>& targets)
{
    for (const ClipReloadTarget& target : targets) {
        std::lock_guard<std::mutex> guard(target.mailbox->lock);
        if (target.ticket != target.mailbox->requested)
            continue;
        target.mailbox->errorText = imported.errorText;
        if (!imported.scene)
            continue;
        target.mailbox->arrived.clear();
        for (uint32_t index : target.indices)
            target.mailbox->arrived.push_back({index, imported.scene});
    }
}

}  // namespace

void ReimportClipFile(const std::string& path, std::vector<ClipReloadTarget> targets)
{
    if (targets.empty())
        return;
    {
        std::lock_guard<std::mutex> guard(runningLock);
        ++running;
    }
    auto body = [path, targets] {
        Deliver(ImportClipFile(path), targets);
        std::lock_guard<std::mutex> guard(runningLock);
        --running;
        runningEnded.notify_all();
    };
    if (!platform::StartDetachedLargeStackThread(body).empty())
        body();
}

void WaitForClipReimports()
{
    std::unique_lock<std::mutex> guard(runningLock);
    runningEnded.wait(guard, [] { return running == 0; });
}
