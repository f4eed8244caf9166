// A model file's library import started before anything asks for it: a snapshot's model
// imports in its worker while the window and the engine start. The next import of the same
// file with the same flags takes that result instead of importing again.
#pragma once

#include <filesystem>
#include <optional>

#include "models/LibraryImport.h"

// Starts importing `path` on a thread of its own. One import waits ahead at a time: a newer
// one abandons the one before. False when no thread could start (nothing waits then).
bool StartImportAhead(const std::filesystem::path& path, unsigned flags);

// The import waiting ahead for this file (a relative name counts from the working folder)
// and these flags, once it has ended; nullopt when there is none, or it failed in a way
// that leaves the import to the caller. An import abandoned on the calling thread while it
// waits abandons the one ahead.
std::optional<LibraryImport> TakeImportAhead(const std::filesystem::path& path, unsigned flags);

// The import waiting ahead when there is one for this file and these flags, else
// ImportThroughLibrary's.
LibraryImport ImportThroughLibraryOrAhead(const std::filesystem::path& path, unsigned flags);
