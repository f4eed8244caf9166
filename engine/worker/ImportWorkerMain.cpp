// vornis-import-worker FLAGS MEMORY_BYTES PATH
// Imports one model file and writes the answer (ImportWorker.h) to descriptor 3. Whatever
// the library does to this process, the viewer that started it goes on.
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "models/FbxBinaryFormat.h"
#include "models/ImportWorker.h"
#include "models/LibraryImport.h"
#include "platform/FileFillAhead.h"
#include "platform/Prefault.h"
#include "platform/WorkerProcess.h"

namespace {

// How much of the heap's growth is mapped in ahead, per byte of the file. Reading a binary
// FBX file writes some twenty times its size; a text file some sixteen times, but the last
// few of those are the slack of arrays grown by doubling, much of it never written, so that
// mapping it in would only raise the import's peak.
constexpr uint64_t kPrefaultPerBinaryFbxByte = 20;
constexpr uint64_t kPrefaultPerOtherByte = 12;
// How much of the answer's file is written ahead, per byte of the file: less than the answer
// of a large mesh (eight times a binary FBX file, 1.3 times a text one), so that little is
// written for nothing and cut off again.
constexpr uint64_t kAnswerAheadPerBinaryFbxByte = 6;
constexpr uint64_t kAnswerAheadPerOtherByte = 1;

bool IsBinaryFbx(int file)
{
    char start[kFbxBinaryMagic.size()];
    return pread(file, start, sizeof(start), 0) == static_cast<ssize_t>(sizeof(start)) &&
           StartsAsBinaryFbx(std::string_view(start, sizeof(start)));
}

struct AheadBudgets {
    uint64_t heap = 0;
    uint64_t answer = 0;
};

// Never more than the file could need, nor half the cap for the heap and a quarter for the
// answer: memory claimed but never written stays unmapped beyond that.
AheadBudgets BudgetsFor(const char* path, uint64_t memoryCap)
{
    AheadBudgets budgets;
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return budgets;
    struct stat status {};
    if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<uint64_t>(status.st_size);
        const bool binary = IsBinaryFbx(file);
        budgets.heap = std::min(size * (binary ? kPrefaultPerBinaryFbxByte : kPrefaultPerOtherByte),
                                memoryCap / 2);
        budgets.answer =
            std::min(size * (binary ? kAnswerAheadPerBinaryFbxByte : kAnswerAheadPerOtherByte),
                     memoryCap / 4);
    }
    close(file);
    return budgets;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        _exit(2);
    const unsigned flags = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    // The process lives for one import: memory it frees is kept for its next allocations
    // (no blocks of their own for large allocations, no trimming, the heap grown 64 MiB at a
    // time). The importer grows its arrays by doubling and frees the old ones; fresh pages
    // for each new block cost more than the import's own work on a large text file. One
    // heap for every thread: the library runs on a thread of its own, and the file's bytes
    // read on this one are handed back as it starts (LibraryImport.cpp), so their pages
    // must serve its allocations rather than sit idle in another heap.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    mallopt(M_TOP_PAD, 64 << 20);
    mallopt(M_ARENA_MAX, 1);
    const uint64_t memoryCap = std::strtoull(argv[2], nullptr, 10);
    platform::EnterHelperLimits(memoryCap);
    // The heap's new pages are mapped in by a thread of their own as it grows, so that the
    // library's and our threads write to mapped pages: a large model's import writes
    // hundreds of megabytes of fresh memory.
    const AheadBudgets budgets = BudgetsFor(argv[3], memoryCap);
    platform::StartHeapPrefault(budgets.heap);
    // The answer's pages are written while a core has nothing else to do, so that the
    // answer is copied onto pages that exist.
    platform::FileFillAhead answerPages(platform::kWorkerAnswerFd, budgets.answer);
    const LibraryImport imported = ImportInThisProcess(argv[3], flags);
    answerPages.Stop();
    // No destructors: the scene and the library's statics go with the process.
    if (!WriteImportAnswer(imported) || !platform::CutFileAtOffset(platform::kWorkerAnswerFd))
        _exit(3);
    platform::AnnounceAnswerWhole();
    _exit(0);
}
