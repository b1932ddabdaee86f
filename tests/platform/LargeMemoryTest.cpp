// The blocks a million-line list lives in: zeroed when asked, and grown or shrunk with their bytes, from
// the heap's sizes to the mapped ones and between mapped ones.
#include "platform/LargeMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace velmora {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

bool allAre(const char* block, size_t bytes, char value) {
    for (size_t i = 0; i < bytes; ++i)
        if (block[i] != value)
            return false;
    return true;
}

TEST(LargeMemory, ZeroedAndGrownWithTheirBytes) {
    for (const size_t bytes : {size_t{100}, 3 * kMiB, 9 * kMiB}) {
        // A block of the same size used and given back first, so that its bytes are not zero by chance.
        char* used = static_cast<char*>(allocateLarge(bytes));
        std::memset(used, 0x5A, bytes);
        freeLarge(used, bytes);
        char* zeroed = static_cast<char*>(allocateLargeZeroed(bytes));
        EXPECT_TRUE(allAre(zeroed, bytes, 0)) << bytes;
        freeLarge(zeroed, bytes);
    }
    const struct {
        size_t from, to;
    } moves[] = {
        {100, 5 * kMiB}, {5 * kMiB, 21 * kMiB}, {21 * kMiB, 6 * kMiB}, {6 * kMiB, 200}, {4 * kMiB, 4 * kMiB + 1}};
    for (const auto& move : moves) {
        char* block = static_cast<char*>(allocateLarge(move.from));
        for (size_t i = 0; i < move.from; ++i)
            block[i] = static_cast<char>(i * 131 + 7);
        block = static_cast<char*>(reallocateLarge(block, move.from, move.to));
        const size_t kept = std::min(move.from, move.to);
        bool same = true;
        for (size_t i = 0; i < kept && same; ++i)
            same = block[i] == static_cast<char>(i * 131 + 7);
        EXPECT_TRUE(same) << move.from << " to " << move.to;
        std::memset(block, 1, move.to); // all of it may be written
        freeLarge(block, move.to);
    }
}

} // namespace
} // namespace velmora
