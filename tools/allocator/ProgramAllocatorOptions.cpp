// Tuning of the programs' allocator.
// - mimalloc hands memory that falls free back to the system after 25 ms by default. A frame
//   of the software renderer takes longer than that, so the renderer's per-draw buffers were
//   handed back after every frame and faulted in again in the next: about 40 % of an empty
//   frame's processor time. A second's delay keeps them between frames; memory still goes
//   back when the viewer idles.
// - Large OS pages: mimalloc asks the system for huge pages for its segments where the system
//   grants them on request (transparent huge pages in "madvise" mode). A large model's
//   decoded scene, vertex buffers and the renderer's copies of them are hundreds of
//   megabytes of fresh memory; faulting them in 4 KiB at a time took about half of the first
//   frame of a million-triangle model.
// MIMALLOC_DECOMMIT_DELAY and MIMALLOC_LARGE_OS_PAGES in the environment still override these.
#include <mimalloc.h>

namespace {

const bool kOptionsSet = [] {
    mi_option_set_default(mi_option_decommit_delay, 1000);
    mi_option_set_default(mi_option_large_os_pages, 1);
    return true;
}();

}  // namespace
