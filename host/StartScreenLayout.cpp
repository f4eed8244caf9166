#include "StartScreenLayout.h"

namespace host {

StartScreenLayout LayOutStartScreen(int clientWidth, int clientHeight, int bitmapWidth,
                                    int bitmapHeight)
{
    StartScreenLayout layout;
    layout.bitmapX = clientWidth / 2 - bitmapWidth / 2;
    layout.bitmapY = clientHeight / 2 - bitmapHeight / 2;
    layout.textX = layout.bitmapX;
    layout.textY = layout.bitmapY + bitmapHeight;
    return layout;
}

}  // namespace host
