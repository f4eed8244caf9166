// vornis-import-worker FLAGS MEMORY_BYTES PATH
// Imports one model file and writes the answer (ImportWorker.h) to descriptor 3. Whatever
// the library does to this process, the viewer that started it goes on.
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "models/ImportWorker.h"
#include "models/LibraryImport.h"
#include "platform/WorkerProcess.h"

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
    platform::EnterHelperLimits(std::strtoull(argv[2], nullptr, 10));
    const LibraryImport imported = ImportInThisProcess(argv[3], flags);
    // No destructors: the scene and the library's statics go with the process.
    _exit(WriteImportAnswer(imported) ? 0 : 3);
}
