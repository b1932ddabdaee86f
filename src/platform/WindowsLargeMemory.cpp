#include "platform/LargeMemory.h"

#include <cstdlib>
#include <new>

namespace velmora {

// Large pages on Windows need a privilege few accounts have; the heap serves every size.
void* allocateLarge(size_t bytes) {
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* allocateLargeZeroed(size_t bytes) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* reallocateLarge(void* block, size_t, size_t bytes) {
    void* moved = std::realloc(block, bytes == 0 ? 1 : bytes);
    if (!moved)
        throw std::bad_alloc();
    return moved;
}

void adviseHugePages(void*, size_t) {}

void keepFreedMemory() {}

void freeLarge(void* block, size_t) {
    std::free(block);
}

} // namespace velmora
