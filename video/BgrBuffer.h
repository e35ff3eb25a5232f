#pragma once

#include <cstddef>
#include <new>
#include <vector>

// Frame memory that starts on a cache line, so that the conversion can write the rows of a
// frame with streaming stores when the row length keeps them on cache lines (1920, 1280 and most
// phone widths do).
template <typename T> struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t alignment{64};

    CacheLineAllocator() = default;
    template <typename U> CacheLineAllocator(const CacheLineAllocator<U>&) {}

    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), alignment)); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, alignment); }

    template <typename U> bool operator==(const CacheLineAllocator<U>&) const { return true; }
    template <typename U> bool operator!=(const CacheLineAllocator<U>&) const { return false; }
};

using BgrBuffer = std::vector<unsigned char, CacheLineAllocator<unsigned char>>;
