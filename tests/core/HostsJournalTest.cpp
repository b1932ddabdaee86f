// The journal of an in-place rewrite and the recovery from it: a rewrite killed or failed at any step
// ends with the old bytes or the new ones, and never with either written over a file that someone
// changed after the rewrite; what was not finished is kept where the user is told.

#include "core/HostsFile.h"
#include "platform/FakeFileSystem.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>

using namespace velmora;
using velmora::test::Lines;
using velmora::test::listOf;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Op = FakeFileSystem::Op;
using Names = std::set<std::string>;

namespace {

Names namesIn(const std::string& dir) {
    Names names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string hashOf(const std::string& bytes) {
    ContentHash hash;
    hash.add(bytes);
    return std::to_string(hash.value());
}

// A journal as a rewrite from `old` to `fresh` leaves it: the form is what one version of Velmora
// hands the next, so it is spelled out here.
std::string journalOf(const std::string& old, const std::string& fresh) {
    return "velmora-journal 2 " + std::to_string(old.size()) + " " + hashOf(old) + " " + std::to_string(fresh.size()) +
           " " + hashOf(fresh) + "\n" + old + fresh;
}

class JournalTest : public ::testing::Test {
protected:
    // A save into a file that rename cannot replace (a bind mount): it is rewritten in place.
    SaveResult saveInPlace(FakeFileSystem& fs, const Lines& lines) {
        fs.failOp(Op::Rename, EBUSY, 1); // the backup goes into place; the file itself cannot
        return saveHostsFile(fs, hosts, listOf(lines), LineConvention::Posix);
    }
    Recovery recover() { return recoverHostsFile(files, hosts, nowNs() + 120'000'000'000); }

    TempDir dir;
    FakeFileSystem files;
    std::string hosts = dir.file("hosts");
    std::string aside = hosts + ".unfinished-save";
    const std::string old = "127.0.0.1 localhost\n10.0.0.5 nas\n";
    const std::string fresh = "127.0.0.1 localhost\n10.0.0.5 nas\n0.0.0.0 ads.example\n0.0.0.0 track.example\n";
};

} // namespace

// What a rewrite cut short can leave: either text, a prefix of either, the start of one over the rest
// of the other. Anything else, a line added by hand above all, is not the rewrite's.
TEST(RewriteStates, OnlyWhatTheRewriteCouldLeave) {
    const std::string o = "abcdef", n = "abXYZ123";
    for (const std::string now :
         {"abcdef", "abXYZ123", "", "a", "abX", "abXYZ", "abcd", "abXdef", "abXYef", "abcYZ123"})
        EXPECT_TRUE(couldBeLeftByRewrite(now, o, n)) << now;
    for (const std::string now : {"abcdefg", "abXYZ1234", "xbcdef", "abcdeF", "abcdef\n", "bXYZ123"})
        EXPECT_FALSE(couldBeLeftByRewrite(now, o, n)) << now;
    // The old text then more: a hand edit of a restored file.
    EXPECT_FALSE(couldBeLeftByRewrite("abcdefXY", o, n));
    EXPECT_FALSE(couldBeLeftByRewrite("abcdeXZ1", o, n)); // as long as the new text, written over neither
}

// Recovery from each state a journal may meet: the file finished or put back only when it holds what
// the rewrite could have left; a changed file left as it is, the save's bytes set aside beside it and
// the user told where; the journal gone afterwards in every case.
TEST_F(JournalTest, RecoveryWritesOnlyOverWhatTheRewriteLeft) {
    const std::string handEdit = old + "192.168.1.9 printer\n";
    const struct {
        bool rollback;    // the journal of a failed rewrite, which is undone
        std::string now;  // what the file holds
        std::string then; // what it holds after recovery
        bool wrote;       // recovery wrote it
        bool setAside;    // the unfinished save went beside it
    } cases[] = {
        {false, old, fresh, true, false},
        {false, "", fresh, true, false},
        {false, fresh.substr(0, 30), fresh, true, false},
        {false, old.substr(0, 7), fresh, true, false},
        {false, fresh, fresh, false, false},
        {false, handEdit, handEdit, false, true},
        {false, "127.0.0.1 other\n", "127.0.0.1 other\n", false, true},
        {true, fresh.substr(0, 30), old, true, false},
        {true, fresh, old, true, false},
        {true, old, old, false, false},
        {true, handEdit, handEdit, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.now + (c.rollback ? " (rollback)" : ""));
        std::filesystem::remove(aside);
        writeFile(hosts, c.now);
        writeFile(c.rollback ? rollbackPathFor(hosts) : journalPathFor(hosts), journalOf(old, fresh));
        const Recovery recovery = recover();
        EXPECT_EQ(readFile(hosts), c.then);
        EXPECT_EQ(recovery.rolledForward, c.wrote && !c.rollback);
        EXPECT_EQ(recovery.rolledBack, c.wrote && c.rollback);
        EXPECT_EQ(recovery.error, 0);
        EXPECT_EQ(recovery.keptAside, c.setAside ? aside : "");
        EXPECT_EQ(readFile(aside), c.setAside ? fresh : "<missing>");
        const std::string notice = recoveryNotice(files, recovery, hosts);
        EXPECT_EQ(notice.find(aside) != std::string::npos, c.setAside) << notice;
        EXPECT_EQ(notice.empty(), !c.wrote && !c.setAside) << notice;
        EXPECT_EQ(namesIn(dir.path()), c.setAside ? (Names{"hosts", "hosts.unfinished-save"}) : (Names{"hosts"}));
    }
    // An earlier unfinished save is not replaced: the next one takes the next name.
    writeFile(hosts, handEdit);
    writeFile(journalPathFor(hosts), journalOf(old, fresh));
    EXPECT_EQ(recover().keptAside, aside + "-2");
    EXPECT_EQ(readFile(aside), fresh);
}

// A journal that cannot be set aside (the folder refuses the new file) stays, the one copy of the
// unfinished save, and the file is still left alone; the user is told of the journal.
TEST_F(JournalTest, UnfinishedSaveStaysInItsJournalWhenItCannotBeSetAside) {
    writeFile(hosts, "mine\n");
    writeFile(journalPathFor(hosts), journalOf(old, fresh));
    files.failOp(Op::CreateExclusive, EACCES, 0, -1);
    const Recovery recovery = recover();
    EXPECT_EQ(readFile(hosts), "mine\n");
    EXPECT_EQ(recovery.keptAside, "");
    EXPECT_EQ(readFile(journalPathFor(hosts)), journalOf(old, fresh));
    EXPECT_NE(recoveryNotice(files, recovery, hosts).find("its journal " + journalPathFor(hosts)), std::string::npos);
    // A recovery that cannot write the file keeps the journal too, and says so.
    files.clearFaults();
    writeFile(hosts, old);
    files.failOp(Op::OpenWriteInPlace, EIO);
    const Recovery failed = recover();
    EXPECT_EQ(failed.error, EIO);
    EXPECT_EQ(readFile(hosts), old);
    EXPECT_TRUE(std::filesystem::exists(journalPathFor(hosts)));
    EXPECT_NE(recoveryNotice(files, failed, hosts).find("Input/output error"), std::string::npos);
    // A journal that cannot be read is not taken for a broken one: it stays for the next run.
    files.clearFaults();
    files.failOp(Op::OpenRead, EACCES);
    EXPECT_EQ(recover().error, EACCES);
    EXPECT_EQ(readFile(journalPathFor(hosts)), journalOf(old, fresh));
    EXPECT_EQ(readFile(hosts), old);
}

// A run killed at any step of an in-place rewrite: the next run's recovery leaves the old bytes or the
// new ones, never a mix, and no file of the killed run stays. After the same kill and a hand edit, the
// edit stays and the save that was cut short is set aside.
TEST_F(JournalTest, KilledInPlaceRewriteIsFinishedOrUndone) {
    Lines lines;
    std::string many;
    for (int i = 0; i < 150000; ++i) { // several megabytes: written in several pieces
        lines.push_back("127.0.0.1 host" + std::to_string(i));
        many += lines.back() + "\n";
    }
    Names outcomes;
    bool finished = false;
    for (int step = 0; !finished; ++step) {
        for (const bool handEdit : {false, true}) {
            writeFile(hosts, old);
            FakeFileSystem killed;
            killed.stopAfterChanges = step;
            const SaveStatus status = saveInPlace(killed, lines).status;
            finished = killed.changes < step; // never stopped: the last step
            EXPECT_TRUE(!finished || status == SaveStatus::Saved) << "step " << step;
            const bool journal = std::filesystem::exists(journalPathFor(hosts));
            if (handEdit && !journal)
                continue;
            const std::string edited = readFile(hosts.c_str()) + "10.0.0.7 by-hand\n";
            if (handEdit)
                writeFile(hosts, edited);
            const Recovery recovery = recover();
            const std::string now = readFile(hosts);
            ASSERT_EQ(recovery.error, 0) << "step " << step;
            if (handEdit) {
                ASSERT_EQ(now, edited) << "step " << step;
                EXPECT_EQ(readFile(aside), many);
                std::filesystem::remove(aside);
            } else {
                ASSERT_TRUE(now == old || now == many) << "step " << step << ": " << now.size() << " bytes";
                outcomes.insert(now == old ? "old" : recovery.rolledForward ? "rolled forward" : "new");
            }
            Names left = namesIn(dir.path());
            left.erase("hosts.bak");
            EXPECT_EQ(left, Names{"hosts"}) << "step " << step;
            std::filesystem::remove(hosts + ".bak");
        }
    }
    EXPECT_EQ(outcomes, (Names{"old", "rolled forward", "new"}));
}

// A save that fails in place removes its own journal once the file holds its old bytes again: on a
// read-only mount (the file never opens for writing), on EIO in the write, the sync or the cut. The
// next run then has nothing to finish, and a change made in between is kept.
TEST_F(JournalTest, FailedInPlaceSaveLeavesNoJournal) {
    const struct {
        const char* name;
        Op op;
        int error, skip;
        const char* reason;
    } cases[] = {
        {"read-only mount", Op::OpenWriteInPlace, EROFS, 0, "Read-only file system"},
        {"write", Op::Write, EIO, 3, "Input/output error"}, // the backup, the new copy, the journal, then it
        {"sync", Op::Sync, EIO, 3, "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(hosts, old);
        std::filesystem::remove(hosts + ".bak");
        FakeFileSystem failing;
        failing.failOp(c.op, c.error, c.skip, c.op == Op::OpenWriteInPlace ? -1 : 1);
        const SaveResult result = saveInPlace(failing, {"0.0.0.0 ads.example"});
        EXPECT_EQ(result.status, SaveStatus::WriteFailed);
        EXPECT_EQ(result.message, hosts + ": " + c.reason);
        EXPECT_FALSE(result.damaged);
        EXPECT_EQ(readFile(hosts), old);
        EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak"}));
        writeFile(hosts, old + "10.0.0.7 by-hand\n");
        recover();
        EXPECT_EQ(readFile(hosts), old + "10.0.0.7 by-hand\n");
    }
}

// A save whose in-place write fails and whose old bytes cannot be put back says that the file is
// damaged, where the backup and the journal are, and how to restore; the next run puts the old bytes
// back (not the failed save's), and a file the user has restored or changed meanwhile is kept.
TEST_F(JournalTest, DamagedFileIsToldAndPutBackNextRun) {
    for (const char* then : {"nothing", "restored", "restored and changed"}) {
        SCOPED_TRACE(then);
        writeFile(hosts, old);
        FakeFileSystem failing;
        failing.failOp(Op::Write, EIO, 3, 1, 5);          // the in-place write lands 5 bytes
        failing.failOp(Op::OpenWriteInPlace, EIO, 1, -1); // and the file will not open again
        const SaveResult result = saveInPlace(failing, {"0.0.0.0 ads.example"});
        EXPECT_EQ(result.status, SaveStatus::WriteFailed);
        EXPECT_TRUE(result.damaged);
        EXPECT_EQ(readFile(hosts), "0.0.0");
        EXPECT_EQ(result.message, hosts +
                                      " is damaged: the save failed part way (Input/output error) and its earlier "
                                      "bytes could not be put back. They are in " +
                                      hosts + ".bak: copy it over " + hosts +
                                      " to restore them. Velmora puts them back itself the next time it saves here, "
                                      "once the file can be written; until then " +
                                      rollbackPathFor(hosts) + " holds them and the unsaved lines");
        EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", "hosts.bak", ".hosts.velmora-rollback"}));
        const std::string changed = old + "10.0.0.7 by-hand\n";
        if (std::string(then) != "nothing")
            writeFile(hosts, readFile(hosts + ".bak"));
        if (std::string(then) == "restored and changed")
            writeFile(hosts, changed);
        const Recovery recovery = recover();
        EXPECT_EQ(recovery.rolledBack, std::string(then) == "nothing");
        EXPECT_EQ(readFile(hosts), std::string(then) == "restored and changed" ? changed : old);
        EXPECT_FALSE(std::filesystem::exists(rollbackPathFor(hosts)));
        std::filesystem::remove(aside);
    }
}

// A journal that is not whole (cut short, or not a journal) is dropped and the file left alone.
TEST_F(JournalTest, BrokenJournalIsDropped) {
    const std::string whole = journalOf(old, fresh);
    std::string oldByteChanged = whole, newByteChanged = whole;
    oldByteChanged[whole.size() - fresh.size() - 3] ^= 1;
    newByteChanged[whole.size() - 3] ^= 1;
    for (const std::string& record :
         Lines{whole.substr(0, whole.size() - 1), whole + "x", oldByteChanged, newByteChanged,
               "velmora-journal 2 1 2 3\nab", "velmora-journal 1 5 123\nshort", "other"}) {
        writeFile(hosts, old);
        writeFile(journalPathFor(hosts), record);
        EXPECT_FALSE(recover().rolledForward);
        EXPECT_EQ(namesIn(dir.path()), Names{"hosts"});
        EXPECT_EQ(readFile(hosts), old);
    }
}

// A whole journal is rolled forward only when it has no other name: one with a second name is a file
// someone linked there, and it is left as it is, and so is the HOSTS file.
TEST_F(JournalTest, JournalWithASecondNameIsNotRolledForward) {
    const std::string planted = "127.0.0.1 bank.example\n";
    for (const bool secondName : {true, false}) {
        writeFile(hosts, old);
        writeFile(journalPathFor(hosts), journalOf(old, planted));
        if (secondName)
            std::filesystem::create_hard_link(journalPathFor(hosts), dir.file("elsewhere"));
        EXPECT_EQ(recover().rolledForward, !secondName);
        EXPECT_EQ(readFile(hosts), secondName ? old : planted);
        EXPECT_EQ(std::filesystem::exists(journalPathFor(hosts)), secondName);
        std::filesystem::remove(journalPathFor(hosts));
    }
}

// Only this program's leftovers older than a minute go; anything else beside the file stays.
TEST_F(JournalTest, StaleTemporaryFilesAreRemoved) {
    const Names kept = {"hosts", ".hosts.velmora-lock", ".other.velmora-1-2-3", ".hosts.velmora-x",
                        "hosts.velmora-1-2-3"};
    for (const std::string& name : kept)
        writeFile(dir.file(name), "x");
    for (const char* name : {".hosts.velmora-1-2-3", ".hosts.bak.velmora-4-5-6",
                             "..hosts.velmora-journal.velmora-7-8-9", ".hosts.unfinished-save.velmora-1-1-1"})
        writeFile(dir.file(name), "x");
    EXPECT_EQ(recoverHostsFile(files, hosts, nowNs()).staleRemoved, 0); // too young: a slow run's
    EXPECT_EQ(recoverHostsFile(files, hosts, nowNs() + 61'000'000'000).staleRemoved, 4);
    EXPECT_EQ(namesIn(dir.path()), kept);
}

// A journal or a temporary file that neither the running user nor the file's owner made is not this
// program's: it is neither replayed nor removed, whatever it holds.
TEST_F(JournalTest, AnotherUsersFilesAreLeftAlone) {
    writeFile(hosts, old);
    writeFile(journalPathFor(hosts), journalOf(old, "0.0.0.0 bank.example\n"));
    const std::string temporary = dir.file(".hosts.velmora-1-2-3");
    writeFile(temporary, "x");
    files.fakeUserId = 1000;
    files.owners[hosts] = {1000, 1000, 0644};
    files.owners[journalPathFor(hosts)] = {4242, 4242, 0644};
    files.owners[temporary] = {4242, 4242, 0644};
    const Recovery recovery = recover();
    EXPECT_EQ(readFile(hosts), old);
    EXPECT_EQ(recovery.staleRemoved, 0);
    EXPECT_EQ(namesIn(dir.path()), (Names{"hosts", ".hosts.velmora-journal", ".hosts.velmora-1-2-3"}));
    // The file's owner's journal is one a save for that owner wrote (the helper, as root).
    files.fakeUserId = 0;
    files.owners[journalPathFor(hosts)] = {1000, 1000, 0644};
    EXPECT_TRUE(recover().rolledForward);
    EXPECT_EQ(readFile(hosts), "0.0.0.0 bank.example\n");
}
