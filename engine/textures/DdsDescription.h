// The diagnostic description of a loaded DDS header. It goes to the standard error
// stream, with line ends and the DXGI name on standard output, as the viewer has always
// written it; the viewer has no console, so it only shows when started from a terminal.
#pragma once

#include <string>
#include <vector>

#include "textures/DdsLayout.h"

struct DescriptionPiece {
    bool toStandardOutput = false;
    std::string text;
};

std::vector<DescriptionPiece> DescribeDdsHeader(const DdsHeader& header, const DdsHeaderDx10* dx10);

// The pieces joined, as a terminal running the viewer shows them.
std::string JoinDescription(const std::vector<DescriptionPiece>& pieces);

void WriteDdsDescription(const DdsHeader& header, const DdsHeaderDx10* dx10);
