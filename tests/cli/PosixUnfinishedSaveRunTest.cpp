// A save left unfinished, then a change by hand, then any run of the program: the change is kept. The
// HOSTS file is bind-mounted onto itself (as in containers), so that rename cannot replace it and it
// is rewritten in place behind a journal.
#include "core/HostsFile.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\n10.0.0.1 nas\n";
const std::string kByHand = "10.0.0.7 by-hand\n";

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Ran {
    int status = -1;
    std::string err;
};

// The program on the HOSTS file of dir; with readOnlyMount in a mount namespace of its own where the
// file is bind-mounted onto itself, read-only.
Ran run(const test::TempDir& dir, const std::string& arguments, bool readOnlyMount = false) {
    const std::string hosts = quoted(dir.file("hosts"));
    std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS=" + hosts + " " + quoted(VELMORA_BINARY) + " " + arguments;
    if (readOnlyMount)
        command =
            "unshare -m --propagation private sh -c " +
            quoted("mount --bind " + hosts + " " + hosts + " && mount -o remount,ro,bind " + hosts + " && " + command);
    const int status = std::system((command + " </dev/null >/dev/null 2>" + quoted(dir.file(".err"))).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFile(dir.file(".err"))};
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A save that fails on a read-only bind mount (the file never opens for writing) leaves no journal: a
// line added by hand afterwards survives the next run, whatever it does.
TEST(UnfinishedSaveRun, FailedSaveOnAReadOnlyMountIsNotAppliedLater) {
    if (::geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
        GTEST_SKIP() << "bind mounts need root and unshare; JournalTest covers the same with faults injected";
    test::TempDir dir;
    const std::string hosts = dir.file("hosts");
    test::writeFile(hosts, kHosts);
    test::writeFile(dir.file("list.txt"), "ads.example\n");
    const Ran failed = run(dir, "--add " + quoted(dir.file("list.txt")), true);
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_NE(failed.err.find(hosts + ": Read-only file system"), std::string::npos) << failed.err;
    EXPECT_EQ(test::readFile(hosts), kHosts);
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"hosts", "hosts.bak", "list.txt", ".err", ".hosts.velmora-lock"}));
    test::writeFile(hosts, kHosts + kByHand);
    const Ran next = run(dir, "--remove nosuchblock --yes");
    EXPECT_EQ(next.status, 1) << next.err;
    EXPECT_EQ(test::readFile(hosts), kHosts + kByHand);
}

// An in-place save killed part way, then a line added by hand: the next run of either form keeps the
// line, sets the unfinished save aside and says where it is, on standard error.
TEST(UnfinishedSaveRun, KilledSaveIsNotWrittenOverAHandEdit) {
    for (const std::string form : {"--remove nosuchblock --yes", "/remove nosuchblock /s"}) {
        SCOPED_TRACE(form);
        test::TempDir dir;
        const std::string hosts = dir.file("hosts");
        // Killed once the journal is written, before the file is touched.
        FakeFileSystem killed;
        for (killed.stopAfterChanges = 0; !std::filesystem::exists(journalPathFor(hosts)); ++killed.stopAfterChanges) {
            test::writeFile(hosts, kHosts);
            killed.changes = 0;
            killed.clearFaults();
            killed.failOp(FakeFileSystem::Op::Rename, EBUSY, 1);
            saveHostsFile(killed, hosts, test::listOf({"0.0.0.0 ads.example"}), LineConvention::Posix);
        }
        test::writeFile(hosts, kHosts + kByHand);
        const Ran next = run(dir, form);
        EXPECT_EQ(test::readFile(hosts), kHosts + kByHand);
        EXPECT_EQ(test::readFile(hosts + ".unfinished-save"), "0.0.0.0 ads.example\n");
        EXPECT_NE(next.err.find("velmora: " + hosts +
                                " was changed after a save that was cut short, so that save was not finished and the "
                                "file was left as it is. The lines that save was writing are in " +
                                hosts + ".unfinished-save.\n"),
                  std::string::npos)
            << next.err;
        EXPECT_FALSE(std::filesystem::exists(journalPathFor(hosts)));
    }
}

} // namespace
} // namespace velmora
