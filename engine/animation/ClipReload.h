// Clip files changed on disk are imported again off the window thread: one import per
// change for every controller that plays the file, handed over through each controller's
// mailbox and swapped in at its next Advance, on the thread that draws.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "models/ModelImportContext.h"

struct PendingClip {
    uint32_t index = 0;  // the clip it replaces
    ImportedScenePtr scene;
};

struct ClipMailbox {
    std::mutex lock;
    uint64_t requested = 0;  // the newest reload asked for: an older one that ends late is dropped
    std::vector<PendingClip> arrived;
    std::string errorText;  // why the newest reload gave nothing
};

// One controller's part of a reload: its clips of the file, and the request's number.
struct ClipReloadTarget {
    std::shared_ptr<ClipMailbox> mailbox;
    std::vector<uint32_t> indices;
    uint64_t ticket = 0;
};

// Imports `path` on a thread of its own (in place when no thread can start) and hands the
// scene to every target whose request is still the newest. A file that no longer imports
// leaves the clips as they are.
void ReimportClipFile(const std::string& path, std::vector<ClipReloadTarget> targets);

// Waits until every re-import started so far has handed over its scene.
void WaitForClipReimports();
