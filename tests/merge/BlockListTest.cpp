// Reading a block list: which addresses block, which names a block may hold, and how each kind of
// line of the formats in use (HOSTS lines, bare names, domain rules) is taken or refused.
#include "merge/BlockList.h"

#include "support/HostsTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

using Names = std::vector<std::string>;

Names namesOf(const BlockListNames& list) {
    return Names(list.names.begin(), list.names.end());
}

// Only 0.0.0.0, 127.x, :: and ::1 send a name nowhere, however they are written.
TEST(BlockList, BlockingAddresses) {
    for (const char* address : {"0.0.0.0", "0", "0.0", "127.0.0.1", "127.1", "127.255.255.255", "2130706433",
                                "127.65535", "::", "::1", "0:0:0:0:0:0:0:1", "::0001", "0::0"})
        EXPECT_TRUE(isBlockingAddress(address)) << address;
    for (const char* address : {"10.0.0.1", "128.0.0.1", "126.255.255.255", "2147483648", "1.0.0.0", "::2", "1::",
                                "0:1::", "::ffff:127.0.0.1", "fe80::1%lo0", "ff02::1", "localhost", "", "127.0.0.256"})
        EXPECT_FALSE(isBlockingAddress(address)) << address;
}

// A name a block may hold has two labels at least, of letters, digits, "-" and "_", and does not end
// in a label of digits; the names the machine needs are never blocked.
TEST(BlockList, NamesABlockMayHold) {
    for (const char* name : {"ads.example", "1drv.example", "x_y.example", "-a-.example", "247.ai"})
        EXPECT_TRUE(isBlockableName(name)) << name;
    for (const char* name : {"example", "a..example", ".example", "a.example.", "*.example", "a b.example",
                             "s.hiaerk.top:4433", "10.0.0.5", "a.123", ""})
        EXPECT_FALSE(isBlockableName(name)) << name;
    // A label holds 63 bytes at most, the last one too; a name 253.
    EXPECT_FALSE(isBlockableName(std::string(64, 'a') + ".example"));
    EXPECT_TRUE(isBlockableName("example." + std::string(63, 'a')));
    EXPECT_FALSE(isBlockableName("example." + std::string(64, 'a')));
    const std::string longest =
        std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." + std::string(61, 'd');
    EXPECT_TRUE(isBlockableName(longest)) << longest.size();
    EXPECT_FALSE(isBlockableName(longest + "d"));
    for (const char* name : {"localhost", "LocalHost", "localhost.localdomain", "local", "broadcasthost",
                             "ip6-allnodes", "0.0.0.0", "My-Machine"})
        EXPECT_TRUE(isNeverBlocked(name, "my-machine")) << name;
    EXPECT_FALSE(isNeverBlocked("localhost.example", "my-machine"));
}

// Every kind of line a list may hold, each taken or left out as it should be, and counted.
TEST(BlockList, ReadsEveryKindOfLine) {
    AllowList allow;
    allow.add("*.cdn.example");
    const std::string list = "\xEF\xBB\xBF# title\n"
                             "[Adblock Plus 2.0]\n"
                             "! comment\n"
                             "0.0.0.0 Ads.Example tracker.example # two names\n"
                             "127.0.0.1\tads.example\t\n"
                             "\xEF\xBB\xBF"
                             "127.1 bom.example\n"
                             "203.0.113.5 login.bank.example\n"
                             "0.0.0.0 localhost my-machine\n"
                             ":: v6.example\n"
                             "||rule.example^\n"
                             "||opt.example^$important\n"
                             "||third.example^$third-party\n"
                             "||path.example^/x\n"
                             "||glued.example^xall\n"
                             "||nocaret.example\n"
                             "@@||good.example^\n"
                             "good.example\n"
                             "sub.good.example\n"
                             "1drv.example.\n"
                             "a.cdn.example\n"
                             "  \n"
                             "yourgas\n";
    BlockListNames read;
    ASSERT_EQ(readBlockList(list, 0, &allow, "my-machine", read).status, BlockListStatus::Read);
    EXPECT_EQ(namesOf(read), (Names{"ads.example", "tracker.example", "ads.example", "bom.example", "v6.example",
                                    "rule.example", "opt.example", "1drv.example"}));
    const BlockListCounts& c = read.counts;
    EXPECT_EQ(c.entryLines, 17);
    EXPECT_EQ(c.otherLines, 1); // "yourgas": one word that is no host name
    EXPECT_EQ(c.otherAddress, 1);
    EXPECT_EQ(c.neverBlocked, 2);
    EXPECT_EQ(c.narrowRules, 3);
    EXPECT_EQ(c.notHostNames, 1);
    EXPECT_EQ(c.keptOut, 1);
    EXPECT_EQ(c.excepted, 2);
}

// What is no list is refused with a message that says why; so is a list that blocks nothing. A gzip
// body is read as its text, within the limit.
TEST(BlockList, RefusesWhatIsNoList) {
    std::string binary;
    for (int i = 0; i < 4000; ++i)
        binary += static_cast<char>((i * 7919 + i / 13) % 256);
    const std::pair<std::string, std::string> refused[] = {
        {"", "not a list: it holds no entries"},
        {"# only\n# comments\n", "not a list: it holds no entries"},
        {"\xEF\xBB\xBF<!DOCTYPE html>\n<html><body>\nstyle\na.example\n</body></html>\n",
         "not a list: it is a web page"},
        {"Service unavailable\nplease try again later\n<html></html>\na.example\n",
         "not a list: only 1 of its 4 lines that are no comment name hosts"},
        {"{\"error\": \"not found\"}\n", "not a list: only 0 of its 1 line that are no comment name hosts"},
        {"203.0.113.5 login.bank.example\n", "not a list: it names no host to block (1 line sends names to other "
                                             "addresses)"},
        {"0.0.0.0 localhost\n", "not a list: it names no host to block"},
        {test::gzipped("a.example\n").substr(0, 12), "not a list: its gzip data is damaged"},
    };
    for (const auto& [bytes, message] : refused) {
        BlockListNames read;
        const BlockListRead result = readBlockList(bytes, 0, nullptr, {}, read);
        EXPECT_EQ(result.status, BlockListStatus::NotAList) << bytes;
        EXPECT_EQ(result.message, message) << bytes;
        EXPECT_TRUE(read.names.empty());
    }
    BlockListNames read;
    EXPECT_EQ(readBlockList(binary, 0, nullptr, {}, read).status, BlockListStatus::NotAList);

    const std::string text = "z.example\n" + std::string(2000, '#') + "\n";
    ASSERT_EQ(readBlockList(test::gzipped(text) + test::gzipped("y.example\n"), 4096, nullptr, {}, read).status,
              BlockListStatus::Read);
    EXPECT_EQ(namesOf(read), (Names{"z.example", "y.example"}));
    const BlockListRead tooLarge = readBlockList(test::gzipped(text), 1000, nullptr, {}, read);
    EXPECT_EQ(tooLarge.status, BlockListStatus::TooLarge);
    EXPECT_EQ(tooLarge.message, "larger than the limit of 1000 bytes once decompressed");
}

} // namespace
} // namespace velmora
