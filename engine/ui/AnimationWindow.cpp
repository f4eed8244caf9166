// The "Animation" window. Its clips, blending, playback and camera-joint controls arrive
// with skeletal animation; until then an animated model shows no window.
#include "ui/Panels.h"

void DrawAnimationWindow(PanelContext&) {}
