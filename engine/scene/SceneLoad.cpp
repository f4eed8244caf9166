// Loading the user's model on threads of their own. The newest request wins: two quick
// drops, or a save during a load, must end with the last file asked for on screen, and a
// load overtaken by a newer request never replaces the shown model.
#include <new>

#include "graphics/GraphicsDevice.h"
#include "models/ImportWorker.h"
#include "models/ModelFileName.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "platform/FileWatcher.h"
#include "platform/LargeStackThread.h"
#include "scene/Scene.h"

namespace fs = std::filesystem;

void CScene::LoadModel(const fs::path& givenPath, const CModelImporter& importer,
                       ModelLoadKind kind)
{
    // A relative name is anchored in the caller's directory. Nothing else is rewritten.
    const fs::path path = AnchoredModelPath(givenPath);
    if (!IsModelFileName(path)) {
        ReportMessage("Format not supported: " + path.extension().string(), MessageLevelError);
        return;
    }
    // One callback per file however often it is loaded: the model checks which file changed.
    if (fileWatcher)
        fileWatcher->Watch(
            path, [this](const std::string& changed) { OnModelFileChanged(changed); }, this);
    ReportMessage("Loading model", MessageLevelInfo);

    // Counted before the thread starts, so that a caller polling IsModelLoaded right after
    // this call already sees the load.
    LoadJob job{path, &importer, kind, 0};
    if (kind == ModelLoadKind::Request) {
        job.generation = ++requestedGeneration;
    } else {
        job.generation = requestedGeneration.load();
        ++runningAnimationLoads;
    }
    ++runningLoads;
    const std::string problem = platform::StartDetachedLargeStackThread([this, job] {
        RunLoad(job);
        // The last touch of the scene: its destructor waits for this.
        runningLoads.fetch_sub(1, std::memory_order_release);
    });
    if (!problem.empty()) {
        ReportMessage("Could not start loading " + path.string() + ": " + problem,
                      MessageLevelError);
        EndLoad(job, false);
        --runningLoads;
    }
}

bool CScene::IsLoadPending() const
{
    return settledGeneration.load() != requestedGeneration.load() ||
           runningAnimationLoads.load() > 0;
}

bool CScene::MayShow(const LoadJob& job) const
{
    const uint64_t newest = requestedGeneration.load();
    if (job.generation != newest)
        return false;
    // A model in an animation file does not push aside a request still loading.
    return job.kind == ModelLoadKind::Request || settledGeneration.load() == newest;
}

void CScene::RunLoad(const LoadJob& job)
{
    const std::string path = job.path.string();
    std::unique_ptr<CModelNode> loaded;
    try {
        const uint32_t failedUploads = CGraphicsDevice::FailedUploadsOnThisThread();
        // A file of clips alone asked for as a model shows its skeleton unless it fits the
        // model shown; one added as animation always goes to the model shown.
        const AnimationOnlyFile animationOnly = job.kind == ModelLoadKind::Request
                                                    ? AnimationOnlyFile::ShowUnlessShownModelFits
                                                    : AnimationOnlyFile::HandToShownModel;
        // A request overtaken by a newer one stops its import at once, worker and all.
        std::function<bool()> overtaken;
        if (job.kind == ModelLoadKind::Request)
            overtaken = [this, generation = job.generation] {
                return generation != requestedGeneration.load();
            };
        const ImportAbandonScope abandonable(std::move(overtaken));
        loaded = job.importer->ImportModel(job.path, nullptr, job.path.parent_path(), 0, true,
                                           animationOnly);
        if (!loaded && job.kind == ModelLoadKind::Request && !MayShow(job))
            ReportMessage("Model load superseded: " + path, MessageLevelInfo);
        // Textures whose upload never finished must not reach the screen.
        if (loaded && CGraphicsDevice::FailedUploadsOnThisThread() != failedUploads) {
            ReportMessage("Cannot load " + path + ": the graphics driver did not finish " +
                              "uploading its textures",
                          MessageLevelError);
            loaded.reset();
        }
    } catch (const std::bad_alloc&) {
        loaded.reset();
        ReportMessage("Cannot load " + path + ": out of memory", MessageLevelError);
    }

    std::function<void()> giveBackPackedArrays;
    if (loaded && loaded->importContext)
        giveBackPackedArrays = std::move(loaded->importContext->giveBackPackedArrays);
    bool shown = false;
    if (loaded && !loaded->HasAnyMesh())
        ReportMessage("Cannot load " + path + ": it holds no mesh", MessageLevelError);
    if (loaded && loaded->HasAnyMesh()) {
        std::unique_ptr<CModelNode> old;
        std::lock_guard<std::mutex> lock(modelLock);
        if (MayShow(job)) {
            if (modelShown)
                modelShown(path);
            ReportMessage("Model loaded: " + path, MessageLevelInfo);
            old = std::move(model);
            model = std::move(loaded);
            inspection.ForgetModel();
            shown = true;
            // The old model dies under the lock: nothing may still be drawing it.
            old.reset();
        } else {
            ReportMessage("Model load superseded: " + path, MessageLevelInfo);
        }
    }
    // An overtaken model was never visible: it goes outside the lock.
    loaded.reset();
    EndLoad(job, shown);
    // After the model is on its way to the screen; a model never shown is gone already.
    if (shown && giveBackPackedArrays)
        giveBackPackedArrays();
}

void CScene::EndLoad(const LoadJob& job, bool shown)
{
    // modelChanged first: whoever sees the load end must also see what it changed.
    if (shown || job.kind == ModelLoadKind::Animation ||
        job.generation == requestedGeneration.load())
        modelChanged = true;
    if (job.kind == ModelLoadKind::Animation) {
        --runningAnimationLoads;
        return;
    }
    uint64_t settled = settledGeneration.load();
    while (settled < job.generation &&
           !settledGeneration.compare_exchange_weak(settled, job.generation)) {
    }
}

void CScene::ReleaseModel()
{
    // Freed under the lock, as a replaced model is: nothing may still be drawing it.
    std::lock_guard<std::mutex> lock(modelLock);
    inspection.ForgetModel();
    model.reset();
}

void CScene::OnModelFileChanged(const std::string& path)
{
    std::lock_guard<std::mutex> lock(modelLock);
    if (model && model->OnFileChanged(path) && requestReload)
        requestReload();
}
