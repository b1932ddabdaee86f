// Faults met by the session and the unattended modes: a HOSTS file or source list that is a folder or a
// FIFO, that vanishes or loses its permission after the presence check, that grows while it is read, or
// whose read fails part way. Nothing blocks, and afterwards the HOSTS file and its backup hold exactly
// what they must.

#include "startup/HostsSession.h"
#include "startup/Unattended.h"

#include "platform/FakePlatform.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace velmora;
using velmora::test::FakeUserInterface;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakePlatform::Op;
using Lines = std::vector<std::string>;

namespace {

const std::string kHosts = "127.0.0.1 localhost\r\n10.0.0.1   nas\r\n";
const Lines kHostsLines = {"127.0.0.1 localhost", "10.0.0.1   nas"};

Lines linesOf(const EntryList& list) {
    Lines out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.itemText(i));
    return out;
}

class FaultSession : public ::testing::Test {
protected:
    FaultSession() {
        platform.env["VELMORA_HOSTS"] = hosts;
        session.setLineConvention(LineConvention::Windows);
        writeFile(hosts, kHosts);
    }

    TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string list = dir.file("list.txt");
    FakePlatform platform;
    FakeUserInterface ui;
    HostsSession session{platform, ui};
};

} // namespace

enum class Fault { Folder, Fifo, Vanishes, PermissionLost };
enum class Which { Hosts, List };

struct PathCase {
    const char* name;
    Which which;
    Fault fault;
    Lines merged;           // lstHOSTS after the merge
    bool notice;            // the HOSTS file was told missing
    bool incomplete;        // the HOSTS read is known to lack lines
    const char* savedHosts; // the HOSTS path after a save of the merged list; nullptr: not a file, untouched
};

class PathFaults : public FaultSession, public ::testing::WithParamInterface<PathCase> {};

// A merge with the HOSTS file or the source list not a readable file: it ends, tells only of a missing
// HOSTS file, and a save afterwards writes exactly the list and backs up exactly the old bytes, or
// refuses a path that is not a file and leaves it be.
TEST_P(PathFaults, MergeEndsAndSaveLosesNothing) {
    const PathCase& c = GetParam();
    writeFile(list, "ads.example\r\n");
    const std::string& target = c.which == Which::Hosts ? hosts : list;
    if (c.fault == Fault::Folder || c.fault == Fault::Fifo) {
        std::remove(target.c_str());
        if (c.fault == Fault::Folder)
            ::mkdir(target.c_str(), 0755);
        else
            ::mkfifo(target.c_str(), 0644);
    } else {
        // The presence check passes; the open after it fails. The HOSTS file is opened first.
        platform.failOp(Op::OpenRead, c.fault == Fault::Vanishes ? ENOENT : EACCES, c.which == Which::Hosts ? 0 : 1);
    }
    session.setTxtHOSTS(1, hosts);
    session.setTxtHOSTS(0, list);
    session.btnMerge_Click();

    EXPECT_EQ(linesOf(session.lstHOSTS), c.merged);
    EXPECT_EQ(ui.asked.size(), c.notice ? 1u : 0u);
    if (c.notice) {
        EXPECT_EQ(ui.asked[0].first, hosts + " does not exist.");
    }
    EXPECT_EQ(session.hostsReadIncomplete(), c.incomplete);

    platform.clearFaults();
    const bool saved = session.SaveHOSTS(hosts);
    EXPECT_EQ(saved, c.savedHosts != nullptr);
    if (c.savedHosts) {
        EXPECT_EQ(readFile(hosts), c.savedHosts);
        EXPECT_EQ(readFile(hosts + ".bak"), kHosts);
    } else {
        EXPECT_EQ(ui.errors, Lines{"The HOSTS list was not saved. " + hosts + ": not a regular file"});
        struct stat st {};
        ::lstat(hosts.c_str(), &st);
        EXPECT_TRUE(c.fault == Fault::Folder ? S_ISDIR(st.st_mode) : S_ISFIFO(st.st_mode));
        EXPECT_FALSE(test::exists(hosts + ".bak"));
    }
}

const char* const kHostsThenNothing = "127.0.0.1 localhost\r\n10.0.0.1   nas\r\n";
const char* const kHostsThenAds = "127.0.0.1 localhost\r\n10.0.0.1   nas\r\n127.0.0.1 ads.example\r\n";
const char* const kAdsOnly = "127.0.0.1 ads.example\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, PathFaults,
    ::testing::Values(
        PathCase{"HostsIsAFolder", Which::Hosts, Fault::Folder, {"127.0.0.1 ads.example"}, true, false, nullptr},
        PathCase{"HostsIsAFifo", Which::Hosts, Fault::Fifo, {"127.0.0.1 ads.example"}, true, false, nullptr},
        // The file was there a moment ago: no notice, but the list is known to lack its lines.
        PathCase{"HostsVanishes", Which::Hosts, Fault::Vanishes, {"127.0.0.1 ads.example"}, false, true, kAdsOnly},
        PathCase{"HostsPermissionLost",
                 Which::Hosts,
                 Fault::PermissionLost,
                 {"127.0.0.1 ads.example"},
                 false,
                 true,
                 kAdsOnly},
        PathCase{"ListIsAFolder", Which::List, Fault::Folder, kHostsLines, false, false, kHostsThenNothing},
        PathCase{"ListIsAFifo", Which::List, Fault::Fifo, kHostsLines, false, false, kHostsThenNothing},
        PathCase{"ListVanishes", Which::List, Fault::Vanishes, kHostsLines, false, false, kHostsThenNothing},
        PathCase{"ListPermissionLost", Which::List, Fault::PermissionLost, kHostsLines, false, false,
                 kHostsThenNothing}),
    [](const auto& p) { return std::string(p.param.name); });

// A source list that another program appends to while it is read: the merge ends, every line of the
// list and of what was appended arrives whole and once, and the save keeps every HOSTS line.
TEST_F(FaultSession, ListAppendedWhileRead) {
    std::ostringstream source;
    Lines expected = kHostsLines;
    for (int i = 0; i < 6000; ++i) { // over 64 KiB, so it is read in several pieces
        source << "host" << i << ".example\r\n";
        expected.push_back("127.0.0.1 host" + std::to_string(i) + ".example");
    }
    writeFile(list, source.str());
    session.LoadHOSTS(hosts);
    int appends = 0;
    platform.beforeRead = [&](int) {
        if (++appends > 3)
            return;
        std::ofstream(list, std::ios::binary | std::ios::app) << "late" << appends << ".example\r\n";
        expected.push_back("127.0.0.1 late" + std::to_string(appends) + ".example");
    };
    session.setTxtHOSTS(0, list);
    session.bReload = false;
    session.btnMerge_Click();
    platform.beforeRead = nullptr;

    EXPECT_EQ(linesOf(session.lstHOSTS), expected);
    ASSERT_TRUE(session.SaveHOSTS(hosts));
    std::string bytes;
    for (const std::string& line : expected)
        bytes += line + "\r\n";
    EXPECT_EQ(readFile(hosts), bytes);
    EXPECT_EQ(readFile(hosts + ".bak"), kHosts);
}

struct UnattendedCase {
    const char* name;
    RunMode mode;
    std::string argument;
};

class ReadFailsPartWay : public FaultSession, public ::testing::WithParamInterface<UnattendedCase> {};

// The HOSTS file's read fails part way through a load (/remove) or a merge's rebuild (/add): saving
// what was read would cut the file short, so the run says so and changes nothing.
TEST_P(ReadFailsPartWay, UnattendedRunLeavesTheFile) {
    std::string big;
    for (int i = 0; i < 8000; ++i)
        big += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    big += "#BEGIN of ads\r\n127.0.0.1 ads.example\r\n#END of ads\r\n";
    writeFile(hosts, big);
    writeFile(hosts + ".bak", "older\r\n");
    writeFile(list, "new.example\r\n");
    platform.failOp(Op::Read, EIO, 1); // the first piece arrives, the second fails
    CommandLine command;
    command.mode = GetParam().mode;
    command.argument = GetParam().argument == "{list}" ? list : GetParam().argument;
    command.silent = true;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runUnattended(command, session, out, err), kExitFailed);
    EXPECT_EQ(ui.errors, Lines{"The HOSTS file " + hosts + " could not be read to its end, so it was left as it was."});
    EXPECT_EQ(readFile(hosts), big);
    EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
    EXPECT_EQ(out.str() + err.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadFailsPartWay,
                         ::testing::Values(UnattendedCase{"Remove", RunMode::Remove, "ads"},
                                           UnattendedCase{"Add", RunMode::Add, "{list}"}),
                         [](const auto& p) { return std::string(p.param.name); });
