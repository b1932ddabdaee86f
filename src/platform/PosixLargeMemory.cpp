#include "platform/LargeMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <climits>
#include <malloc.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_PLAIN_MALLOC 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_PLAIN_MALLOC 1
#endif

namespace velmora {

namespace {
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
// Mapped apart from the heap, and given back whole when freed. The sanitizer builds keep malloc so
// that reads past a block's end are still caught.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMapFrom = 2 * kHugePage;

size_t mappedSize(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
#endif
} // namespace

void* allocateLarge(size_t bytes) {
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
    if (bytes >= kMapFrom) {
        // One huge page more than needed, so that the block can start on a huge-page boundary.
        const size_t size = mappedSize(bytes) + kHugePage;
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        const auto start = reinterpret_cast<uintptr_t>(mapped);
        const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
        if (aligned > start)
            munmap(mapped, aligned - start);
        const uintptr_t end = aligned + mappedSize(bytes);
        // Pointers into the mapping, not made from the numbers, so that the compiler still knows where
        // they point.
        char* const base = static_cast<char*>(mapped);
        if (start + size > end)
            munmap(base + (end - start), start + size - end);
        void* block = base + (aligned - start);
        madvise(block, mappedSize(bytes), MADV_HUGEPAGE); // a hint; without it the block still works
        return block;
    }
#endif
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* allocateLargeZeroed(size_t bytes) {
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
    if (bytes >= kMapFrom)
        return allocateLarge(bytes); // fresh anonymous pages are zero
#endif
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* reallocateLarge(void* block, size_t oldBytes, size_t bytes) {
    if (!block)
        return allocateLarge(bytes);
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
    if (oldBytes >= kMapFrom && bytes >= kMapFrom) {
        if (mappedSize(bytes) == mappedSize(oldBytes))
            return block;
        void* moved = mremap(block, mappedSize(oldBytes), mappedSize(bytes), MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            throw std::bad_alloc();
        if (bytes > oldBytes)
            madvise(moved, mappedSize(bytes), MADV_HUGEPAGE);
        return moved;
    }
#endif
    void* fresh = allocateLarge(bytes);
    std::memcpy(fresh, block, oldBytes < bytes ? oldBytes : bytes);
    freeLarge(block, oldBytes);
    return fresh;
}

void adviseHugePages(void* block, size_t bytes) {
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
    if (bytes < kMapFrom)
        return;
    const auto start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t from = (start + kHugePage - 1) / kHugePage * kHugePage;
    const uintptr_t to = (start + bytes) / kHugePage * kHugePage;
    if (to > from)
        madvise(static_cast<char*>(block) + (from - start), to - from, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

void keepFreedMemory() {
#if defined(__GLIBC__) && !defined(VELMORA_PLAIN_MALLOC)
    // Blocks up to 32 MiB from the heap: a block malloc maps by itself goes back to the system when
    // freed, and a vector that doubles would be mapped, filled and unmapped at every size. Larger ones
    // are still mapped and given back whole: kept in the heap, the freed ones cannot hold the next, twice
    // their size, and stay resident (in huge pages where they were advised), a fifth more at the peak
    // of a list of millions of names.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

void freeLarge(void* block, size_t bytes) {
    if (!block)
        return;
#if defined(__linux__) && !defined(VELMORA_PLAIN_MALLOC)
    if (bytes >= kMapFrom) {
        munmap(block, mappedSize(bytes));
        return;
    }
#endif
    (void)bytes;
    std::free(block);
}

} // namespace velmora
