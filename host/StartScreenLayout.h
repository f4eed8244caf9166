// Where the start-screen picture and its line of text go in the window.
#pragma once

namespace host {

struct StartScreenLayout {
    int bitmapX = 0;
    int bitmapY = 0;
    int textX = 0;  // top left of the text's first character
    int textY = 0;
};

// Centres the picture, each half rounded towards zero on its own, and puts the text under
// its left edge. A missing picture counts as 0 x 0, which leaves the text at the centre.
StartScreenLayout LayOutStartScreen(int clientWidth, int clientHeight, int bitmapWidth,
                                    int bitmapHeight);

}  // namespace host
