// The batch modes in process, for what the built program cannot be made to meet: a HOSTS file whose
// read fails part way, and a question closed without an answer.

#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

class BatchModeTest : public test::DocumentFixture {
protected:
    int run(const std::vector<std::string>& arguments) {
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    std::ostringstream out, err;
};

} // namespace

// The HOSTS file's read fails part way through a load (remove) or a merge's rebuild (add): saving what
// was read would cut the file short, so the run says so and changes nothing.
TEST_F(BatchModeTest, IncompleteReadLeavesTheFile) {
    std::string big;
    for (int i = 0; i < 8000; ++i)
        big += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    big += "#BEGIN of ads\r\n127.0.0.1 ads.example\r\n#END of ads\r\n";
    writeFile(listPath, "new.example\r\n");
    for (const std::string mode : {"--remove", "--add"}) {
        writeFile(hosts, big);
        writeFile(hosts + ".bak", "older\r\n");
        ui.shown.clear();
        files.failOp(FakeFileSystem::Op::Read, EIO, 1); // the first piece arrives, the second fails
        EXPECT_EQ(run({mode, mode == "--add" ? listPath : "ads", "--yes"}), kExitFailed);
        EXPECT_EQ(ui.shown, test::Lines{"error:The HOSTS file " + hosts +
                                        " could not be read to its end, so it was left as it was."});
        EXPECT_EQ(readFile(hosts), big);
        EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
    }
    EXPECT_EQ(out.str() + err.str(), "");
}

// Only No declines: a question closed without a button goes on, like Yes.
TEST_F(BatchModeTest, OnlyNoDeclines) {
    writeFile(hosts, "x\r\n");
    ui.answers = {Answer::No, Answer::None};
    EXPECT_EQ(run({"--removeall"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "x\r\n");
    EXPECT_EQ(run({"--removeall"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\r\n");
    const std::string question =
        "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2) +
        ":Do you want to clear the HOSTS file?";
    EXPECT_EQ(ui.shown, (test::Lines{question, question}));
}

// The summary line counts in words: one line, not "1 lines".
TEST_F(BatchModeTest, SummarySaysOneLine) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    writeFile(listPath, "one.example\r\n");
    EXPECT_EQ(run({"--add", listPath}), kExitDone);
    EXPECT_EQ(out.str(), "Merged 1 new line from " + listPath + " into " + hosts + " (backup: " + hosts + ".bak)\n");
}
