// Tuning of the programs' allocator.
// - mimalloc hands memory that falls free back to the system after 25 ms by default. A frame
//   of the software renderer takes longer than that, so the renderer's per-draw buffers were
//   handed back after every frame and faulted in again in the next: about 40 % of an empty
//   frame's processor time. A second's delay keeps them between frames; memory still goes
//   back when the viewer idles.
// - Small OS pages (mimalloc's default) stay: where the hypervisor takes back the memory a
//   guest frees, as on our virtual build machines, a huge page faulted in fresh cost several
//   times its 512 small pages, and a snapshot of a million-triangle model took a third longer
//   with them.
// MIMALLOC_DECOMMIT_DELAY and MIMALLOC_LARGE_OS_PAGES in the environment still override these.
#include <mimalloc.h>

namespace {

const bool kOptionsSet = [] {
    mi_option_set_default(mi_option_decommit_delay, 1000);
    return true;
}();

}  // namespace
