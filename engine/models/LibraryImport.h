// The one way a file reaches the import library. The file is read once, as a regular
// file and without blocking; an FBX file whose structure the library cannot walk safely
// is refused; the library then imports exactly the bytes that were checked (a file
// rewritten in between cannot slip past the check), on a thread with a large stack.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "models/ModelImportContext.h"

struct LibraryImport {
    // Null when the file was refused or the library failed. The scene keeps the importer
    // that owns it alive.
    ImportedScenePtr scene;
    // Why the library never saw the file, ready for the log: "No such file: PATH", "Not a
    // regular file: PATH", "Cannot read PATH: REASON", "Cannot load PATH: REASON".
    std::string refusal;
    // The library's own reason when it failed.
    std::string libraryText;
    // Takes the FBX file holds: more than the scene has were dropped by the library.
    uint32_t fileTakes = 0;
};

// Model files larger than this are refused before anything is read.
constexpr uint64_t kMaxModelFileBytes = uint64_t{4} << 30;

// Through the import worker (ImportWorker.h); in this process, with a logged note, only when
// the worker cannot start.
LibraryImport ImportThroughLibrary(const std::filesystem::path& path, unsigned flags);
// How many imports ImportThroughLibrary has made in this process: a file shared by many
// meshes must cost one.
uint64_t LibraryImportCount();
// What the worker runs: the check and the library's import, here.
LibraryImport ImportInThisProcess(const std::filesystem::path& path, unsigned flags);

// Whether the library would read these bytes as FBX: the name says so, or its header test
// would (the letters "fbx" in any case near the start).
bool ReadsAsFbx(const std::filesystem::path& path, std::string_view bytes);
