// The library inflates a binary FBX file's compressed arrays one after another as it reads
// them, on one core. Inflated ahead on every core and stored plain, the same arrays give
// it the same scene sooner.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "models/UninitialisedAllocator.h"

using FbxFileBytes = std::vector<char, UninitialisedAllocator<char, false>>;

// The file with each compressed array stored plain, inflated exactly as the library
// inflates it (zero-filled where a stream ends before the array does). Nothing when the
// file is not binary FBX or holds no compressed array, or when anything in it is not what
// the library reads without complaint (its records, one array's stream): the library then
// reads the file as it is and says what it finds itself.
std::optional<FbxFileBytes> InflateFbxArrays(std::string_view file);
