#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/Prefault.h"

// Leaves the elements of resize() uninitialised. The mesh builder writes every vertex byte on
// both cores; a zero fill first would fault the fresh pages of a large mesh in on one thread,
// which on a virtual machine costs more than packing the vertices. A large block's pages are
// mapped in at once instead of one fault each as they are first written.
template <class T, bool kMapInAtOnce = true>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U, kMapInAtOnce>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U, kMapInAtOnce>&) noexcept
    {
    }
    T* allocate(size_t count)
    {
        T* block = std::allocator<T>::allocate(count);
        if (kMapInAtOnce && count * sizeof(T) >= platform::kPrefaultMinBytes)
            platform::PrefaultPages(block, count * sizeof(T));
        return block;
    }
    template <class U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Arguments>
    void construct(U* place, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};
