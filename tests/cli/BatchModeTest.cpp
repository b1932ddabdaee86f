// The batch modes in process, for what the built program cannot be made to meet: a HOSTS file whose
// read fails part way, and a question closed without an answer.

#include "cli/BatchMode.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

class BatchModeTest : public ::testing::Test {
protected:
    BatchModeTest() {
        environment.variables["VELMORA_HOSTS"] = hosts;
        document.setLineConvention(LineConvention::Windows);
    }
    int run(RunMode mode, const std::string& argument, bool silent, CommandForm form = CommandForm::Classic) {
        CommandLine command;
        command.form = form;
        command.mode = mode;
        command.argument = argument;
        command.silent = silent;
        return runBatchMode(command, document, out, err);
    }

    test::TempDir dir;
    std::string hosts = dir.file("hosts");
    FakeFileSystem files;
    FakeEnvironment environment;
    test::FakeUserInterface ui;
    HostsDocument document{files, environment, ui};
    std::ostringstream out;
    std::ostringstream err;
};

} // namespace

// The HOSTS file's read fails part way through a load (remove) or a merge's rebuild (add): saving what
// was read would cut the file short, so the run says so and changes nothing.
TEST_F(BatchModeTest, IncompleteReadLeavesTheFile) {
    std::string big;
    for (int i = 0; i < 8000; ++i)
        big += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    big += "#BEGIN of ads\r\n127.0.0.1 ads.example\r\n#END of ads\r\n";
    writeFile(dir.file("list.txt"), "new.example\r\n");
    for (auto [mode, argument] :
         {std::pair{RunMode::Remove, std::string("ads")}, std::pair{RunMode::Add, dir.file("list.txt")}}) {
        writeFile(hosts, big);
        writeFile(hosts + ".bak", "older\r\n");
        ui.shown.clear();
        files.clearFaults();
        files.failOp(FakeFileSystem::Op::Read, EIO, 1); // the first piece arrives, the second fails
        EXPECT_EQ(run(mode, argument, true), kExitFailed);
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
    EXPECT_EQ(run(RunMode::RemoveAll, "", false), kExitDone);
    EXPECT_EQ(readFile(hosts), "x\r\n");
    EXPECT_EQ(run(RunMode::RemoveAll, "", false), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\r\n");
    const std::string question =
        "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2) +
        ":Do you want to clear the HOSTS file?";
    EXPECT_EQ(ui.shown, (test::Lines{question, question}));
}

// The summary line counts in words: one line, not "1 lines".
TEST_F(BatchModeTest, SummarySaysOneLine) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    writeFile(dir.file("list.txt"), "one.example\r\n");
    EXPECT_EQ(run(RunMode::Add, dir.file("list.txt"), false, CommandForm::Options), kExitDone);
    EXPECT_EQ(out.str(),
              "Merged 1 new line from " + dir.file("list.txt") + " into " + hosts + " (backup: " + hosts + ".bak)\n");
}
