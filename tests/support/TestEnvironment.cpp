// Every test program runs on the offscreen video driver and Mesa's software renderer
// unless the caller chose otherwise, so tests need neither a display nor a GPU.
#include <cstdlib>

namespace {

struct OffscreenByDefault {
    OffscreenByDefault()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    }
};

const OffscreenByDefault offscreenByDefault;

}  // namespace
