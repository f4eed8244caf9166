#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// Leaves the elements of resize() uninitialised. The mesh builder writes every vertex byte on
// both cores; a zero fill first would fault the fresh pages of a large mesh in on one thread,
// which on a virtual machine costs more than packing the vertices.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept
    {
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
