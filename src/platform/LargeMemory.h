#pragma once

#include <cstddef>

namespace velmora {

// Memory for the few large blocks of a million-line list (its texts, its entries, the duplicate
// index). Blocks of a few megabytes or more are asked of the system in huge pages where it has them,
// since filling them page by page costs a fault for every 4 KiB; smaller ones come from malloc.
// Never null: throws std::bad_alloc. The size given to free must be the one given to allocate.
void* allocateLarge(size_t bytes);
void freeLarge(void* block, size_t bytes);

// For a std::vector that may grow large.
template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
    void deallocate(T* block, size_t n) { freeLarge(block, n * sizeof(T)); }
    template <typename U> bool operator==(const LargeAllocator<U>&) const { return true; }
};

} // namespace velmora
