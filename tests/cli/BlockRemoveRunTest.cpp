// --remove and --blocks read blocks alike: what a removal takes is what the list of blocks shows, and a
// line of the user's between blocks whose end markers are written in other letter case stays.
#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace velmora;
using namespace velmora::test;

namespace {

class BlockRemoveRunTest : public DocumentFixture {
protected:
    BlockRemoveRunTest() { document.setLineConvention(LineConvention::Posix); }
    int run(const Lines& arguments) {
        out.str("");
        err.str("");
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    std::ostringstream out, err;
};

TEST_F(BlockRemoveRunTest, RemovesTheBlocksTheListShowsAndNothingElse) {
    const std::string before = "127.0.0.1 localhost\n#BEGIN of ADS\n0.0.0.0 a.example\n#END of ADS\n10.0.0.5 nas\n"
                               "#BEGIN of ads\n0.0.0.0 b.example\n#END of ads\n";
    writeFile(hosts, before);
    ASSERT_EQ(run({"--blocks"}), kExitDone);
    EXPECT_EQ(out.str(), "ADS\t1\t-\ton\t-\nads\t1\t-\ton\t-\n");
    ASSERT_EQ(run({"--remove", "ads", "--yes"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n10.0.0.5 nas\n");
    EXPECT_EQ(out.str(), "Removed 6 lines in blocks named ads from " + hosts + " (backup: " + hosts + ".bak)\n");
    // An end marker of another letter case ends its block; the line after it is the user's.
    writeFile(hosts, "#BEGIN of ads\nx.example\n#end OF ADS\n10.0.0.5 nas\n");
    ASSERT_EQ(run({"--remove", "ads", "--yes"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "10.0.0.5 nas\n");
}

} // namespace
