#pragma once

#include <cstddef>

namespace velmora {

// Memory for the few large blocks of a million-line list (its texts, its entries, the duplicate
// index). Blocks of a few megabytes or more are asked of the system in huge pages where it has them,
// since filling them page by page costs a fault for every 4 KiB; smaller ones come from malloc.
// Never null: throws std::bad_alloc. The size given to free must be the one given to allocate.
void* allocateLarge(size_t bytes);
// The same, every byte zero. A block the system maps is zero already, and is not cleared again.
void* allocateLargeZeroed(size_t bytes);
// The block made `bytes` long, its first min(oldBytes, bytes) bytes kept; the old block is gone. A mapped
// block is moved by its pages (no bytes copied, no second copy held meanwhile) where the system can.
void* reallocateLarge(void* block, size_t oldBytes, size_t bytes);
void freeLarge(void* block, size_t bytes);
// Memory that a std::string or std::vector of some megabytes got from malloc, about to be filled: the
// huge pages wholly inside it are asked for, where the system has them (only a hint).
void adviseHugePages(void* block, size_t bytes);
// For a short run that ends with its work (the command line): memory malloc frees (blocks up to some
// tens of megabytes) stays with the process for what it asks for next, instead of going back to the
// system and coming again as fresh pages, a fault each. The window does not call it: it lives on and
// gives back what it freed.
void keepFreedMemory();

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
