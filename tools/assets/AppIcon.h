// The application icon: a polished gold sphere inside an orbit ring on a dark rounded tile,
// drawn at any size (antialiased by supersampling) for the desktop's icon theme.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// The sizes installed under share/icons/hicolor/<N>x<N>/apps.
inline constexpr int kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Straight (not premultiplied) RGBA, top row first, size x size pixels.
std::vector<uint8_t> DrawAppIcon(int size);

// Writes hicolor/<N>x<N>/apps/vornis.png below `iconDirectory` for every size.
std::string WriteAppIcons(const std::string& iconDirectory);

}  // namespace assets
