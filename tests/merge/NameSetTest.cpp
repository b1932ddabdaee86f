// The set of names the blocks are chosen with: many names fetched ahead come out each once, in the order
// they went in, and are found again by the number they went in as, also past a growth of the table.
#include "merge/NameSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(NameSet, ManyNamesEachOnceInOrderAndFoundAgain) {
    std::vector<std::string> texts;
    for (int i = 0; i < 1000; ++i) {
        std::string name = "n"; // appended, not added up: a warning of GCC 12 at -O3 misreads the sum
        name += std::to_string(i % 700);
        name += ".example";
        texts.push_back(name); // the last 300 again
    }
    std::vector<std::string_view> names(texts.begin(), texts.end());
    NameSet set(16); // grows on the way
    std::vector<std::string_view> fresh;
    set.insertAll(names, [&](std::string_view name) { fresh.push_back(name); });
    ASSERT_EQ(set.size(), 700u);
    EXPECT_EQ(fresh, std::vector<std::string_view>(names.begin(), names.begin() + 700));

    std::vector<size_t> found;
    std::vector<std::string> asked{"n5.example", "none.example", "n699.example", "n0.example"};
    set.findEach(
        [&](auto&& give) {
            for (const std::string& name : asked)
                give(name);
        },
        [&](size_t n) { found.push_back(n); });
    EXPECT_EQ(found, (std::vector<size_t>{5, 699, 0}));
    EXPECT_EQ(set.nameAt(699), "n699.example");
    std::vector<std::string_view> some(names.begin(), names.begin() + 20);
    some.push_back("none.example");
    some.push_back("other.example");
    EXPECT_EQ(set.countMissing(some), 2u);
}

} // namespace
} // namespace velmora
