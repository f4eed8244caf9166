// Every test program runs on the offscreen video driver and Mesa's software renderer
// unless the caller chose otherwise, so tests need neither a display nor a GPU. Shaders are
// compiled afresh: the user's shader cache is neither read nor written by tests.
#include <cstdlib>

namespace {

struct OffscreenByDefault {
    OffscreenByDefault()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        setenv("VORNIS_SHADER_CACHE", "off", 0);
    }
};

const OffscreenByDefault offscreenByDefault;

}  // namespace
