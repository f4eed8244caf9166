// Fresh pages mapped in ahead of their first write, in one call for many pages. On the
// virtual machines we build and test on, a page's first write costs a fault of its own that
// is several times dearer than mapping it this way; elsewhere it saves the faults' entries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Below this, a block's faults cost less than the call that saves them.
constexpr size_t kPrefaultMinBytes = size_t{1} << 20;

// Maps in the whole pages of [at, at + bytes) for writing, without changing a byte of them.
// Does nothing where the system cannot.
void PrefaultPages(void* at, size_t bytes);

// Reserves room for `count` elements in a vector; a large block's pages are mapped in at
// once.
template <class Vector>
void ReservePrefaulted(Vector& vector, size_t count)
{
    vector.reserve(count);
    if (const size_t bytes = vector.capacity() * sizeof(*vector.data()); bytes >= kPrefaultMinBytes)
        PrefaultPages(vector.data(), bytes);
}

// Starts a thread that maps in every page the heap grows by, as soon as it grows, so that
// the threads writing there find them mapped, up to `budgetBytes` in all: memory that is
// claimed but never written stays unmapped beyond it. For a helper process that lives for
// one task and keeps the memory it frees (no trimming, no blocks of their own for large
// allocations). False when the system cannot (nothing changes then).
bool StartHeapPrefault(uint64_t budgetBytes);

}  // namespace platform
