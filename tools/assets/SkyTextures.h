// The cube maps offered in "Skyboxtextures": a daylight sky and a neutral studio.
#pragma once

#include <string>

namespace assets {

// Writes the DDS files under `runtimeDir`; with a non-empty `previewDir` also writes PNG
// previews of the top and a rough mip of each. Returns an empty string on success.
std::string WriteSkyTextures(const std::string& runtimeDir, const std::string& previewDir);

}  // namespace assets
