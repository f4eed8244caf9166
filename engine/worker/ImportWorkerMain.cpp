// vornis-import-worker FLAGS MEMORY_BYTES PATH
// Imports one model file and writes the answer (ImportWorker.h) to descriptor 3. Whatever
// the library does to this process, the viewer that started it goes on.
#include <unistd.h>

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
    platform::EnterHelperLimits(std::strtoull(argv[2], nullptr, 10));
    const LibraryImport imported = ImportInThisProcess(argv[3], flags);
    // No destructors: the scene and the library's statics go with the process.
    _exit(WriteImportAnswer(imported) ? 0 : 3);
}
