// Tuning of the programs' allocator. mimalloc hands memory that falls free back to the
// system after 25 ms by default. A frame of the software renderer takes longer than that,
// so the renderer's per-draw buffers were handed back after every frame and faulted in
// again in the next: about 40 % of an empty frame's processor time. A second's delay keeps
// them between frames; memory still goes back when the viewer idles. MIMALLOC_DECOMMIT_DELAY
// in the environment still overrides this.
#include <mimalloc.h>

namespace {

const bool kDecommitDelaySet = [] {
    mi_option_set_default(mi_option_decommit_delay, 1000);
    return true;
}();

}  // namespace
