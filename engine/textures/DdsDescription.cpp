#include "textures/DdsDescription.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "textures/DdsPixelFormatTables.h"
#include "textures/DxgiFormat.h"

namespace {

std::string Format(const char* format, auto... values)
{
    char buffer[128];
    int length = std::snprintf(buffer, sizeof(buffer), format, values...);
    if (length < 0)
        return {};
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(length), sizeof(buffer) - 1));
}

// Line ends go to standard output, everything else to standard error.
void AddText(std::vector<DescriptionPiece>& pieces, std::string_view text)
{
    while (!text.empty()) {
        const size_t lineEnd = text.find('\n');
        if (lineEnd != 0)
            pieces.push_back({false, std::string(text.substr(0, lineEnd))});
        if (lineEnd == std::string_view::npos)
            return;
        pieces.push_back({true, "\n"});
        text.remove_prefix(lineEnd + 1);
    }
}

std::string_view AlphaModeName(uint32_t miscFlags2)
{
    switch (miscFlags2 & 0x7) {
        case 1:
            return "ALPHASTRAIGHT ";
        case 2:
            return "PMALPHA ";
        case 3:
            return "ALPHAOPAQUE ";
        case 4:
            return "ALPHACUSTOM ";
        default:
            return {};
    }
}

}  // namespace

std::vector<DescriptionPiece> DescribeDdsHeader(const DdsHeader& header, const DdsHeaderDx10* dx10)
{
    std::vector<DescriptionPiece> pieces;
    const DdsPixelFormat& pf = header.pixelFormat;
    AddText(pieces, Format("PIXELFORMAT: %08x: ", pf.flags));
    AddText(pieces, "\n");
    if (pf.flags & kDdpfFourCC) {
        const char code[4] = {static_cast<char>(pf.fourCC & 0xFF),
                              static_cast<char>((pf.fourCC >> 8) & 0xFF),
                              static_cast<char>((pf.fourCC >> 16) & 0xFF),
                              static_cast<char>((pf.fourCC >> 24) & 0xFF)};
        std::string line = Format("FourCC = %u '", pf.fourCC);
        line.append(code, 4);
        line += "'\n";
        AddText(pieces, line);
    } else {
        AddText(pieces, Format("bitCount %u\nR: %08x G: %08x B: %08x A: %08x\n", pf.rgbBitCount,
                               pf.rBitMask, pf.gBitMask, pf.bBitMask, pf.aBitMask));
    }

    if (!dx10 || !HasDx10Header(header)) {
        std::string_view label =
            (pf.flags & kDdpfFourCC) ? FourCCLabel(pf.fourCC) : BitMaskLabel(pf);
        if (!label.empty())
            AddText(pieces, std::string(label) + "\n");
        return pieces;
    }

    AddText(pieces, Format("dxgiFormat = %u: ", dx10->dxgiFormat));
    pieces.push_back({true, std::string(DxgiFormatName(dx10->dxgiFormat))});
    AddText(pieces, Format("\nresourceDim = %u: ", dx10->resourceDimension));
    if (dx10->resourceDimension == kDdsDimensionBuffer)
        AddText(pieces, "BUFFER!");
    else if (dx10->resourceDimension < 1 || dx10->resourceDimension > 4)
        AddText(pieces, "UNKNOWN!");
    AddText(pieces, "\n");
    if (dx10->miscFlag != 0)
        AddText(pieces, Format("miscFlag = %08x: \n", dx10->miscFlag));
    AddText(pieces, Format("arraySize = %u\n", dx10->arraySize));
    if (dx10->miscFlags2 != 0) {
        AddText(pieces, Format("miscFlags2 = %08x ", dx10->miscFlags2));
        AddText(pieces, std::string(AlphaModeName(dx10->miscFlags2)) + "\n");
    }
    return pieces;
}

std::string JoinDescription(const std::vector<DescriptionPiece>& pieces)
{
    std::string text;
    for (const DescriptionPiece& piece : pieces)
        text += piece.text;
    return text;
}

void WriteDdsDescription(const DdsHeader& header, const DdsHeaderDx10* dx10)
{
    // The viewer is a windowed program: like on a desktop without a console, the trace is
    // seen only when asked for, not in the terminal of every user or script.
    if (!std::getenv("VORNIS_DDS_TRACE"))
        return;
    for (const DescriptionPiece& piece : DescribeDdsHeader(header, dx10)) {
        std::FILE* stream = piece.toStandardOutput ? stdout : stderr;
        std::fwrite(piece.text.data(), 1, piece.text.size(), stream);
    }
    std::fflush(stdout);
}
