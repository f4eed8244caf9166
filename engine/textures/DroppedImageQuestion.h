// The question the dropped-texture popup asks about the last image dropped on the window:
// which file, whether the popup should open, and whether to recommend "As Cubemap".
#pragma once

#include <filesystem>

#include "textures/ImageDescription.h"

struct DroppedImageQuestion {
    std::filesystem::path droppedPath;
    bool popupRequested = false;
    bool droppedIsCubeMap = false;
    bool droppedIsPanorama = false;  // by its name: ".hdr" or ".exr"
    ImageDescription description;
};

// Replaces any earlier question: a second drop before the answer opens the popup again.
// Only an exact ".dds" extension is examined as DDS; nothing is logged.
void AskAboutDroppedImage(DroppedImageQuestion& question, std::filesystem::path path);
