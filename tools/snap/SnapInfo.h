// `vornis-snap --info`: what a model holds, as one JSON object on one line, for asset
// pipelines.
#pragma once

#include <string>

#include "ToolAccess.h"

// {"file", "nodes", "meshes", "vertices", "triangles", "materials", "bones",
//  "clips": [{"name", "seconds"}], "bounds": {"min": [x, y, z], "max": [x, y, z]} (null
//  without anything drawn), "textures": {"found": [...], "missing": [...]}}
std::string ModelReportJson(const tool::ModelReport& report);

// `text` as a JSON string, quotes included; bytes that are no UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);
