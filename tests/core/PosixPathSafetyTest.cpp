// The one path check of every file a run reads or writes, against the ways another user could steer a
// run as root: a folder of theirs anywhere on the way, one their group or an access list lets them
// change, a link of theirs, a trusted link through a folder of theirs, a file of theirs or a second name
// in a sticky folder, a file they may change. Each case runs through the fake file system's owners,
// modes and access lists for any user, and again with real owners and access lists as root.

#include "core/PathSafety.h"
#include "platform/FakeFileSystem.h"
#include "support/PosixOwners.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr uint32_t kOther = kOtherUser;

struct Case {
    const char* name;
    // Makes the files and links in dir and says who owns what.
    std::function<std::vector<Owner>(const TempDir& dir)> plant;
    std::string path; // in dir
    PathUse use;
    PathStatus status;
    std::string reason;       // with "DIR" for dir's path
    std::string checked = {}; // the path to open, in dir; empty: path itself
    uint32_t user = 0;        // who runs
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

void folder(const TempDir& dir, const std::string& name, mode_t mode = 0755) {
    std::filesystem::create_directories(dir.file(name));
    ::chmod(dir.file(name).c_str(), mode);
}

void file(const TempDir& dir, const std::string& name, mode_t mode = 0644) {
    writeFile(dir.file(name), "bytes\n");
    ::chmod(dir.file(name).c_str(), mode);
}

void link(const TempDir& dir, const std::string& name, const std::string& to) {
    ::symlink(to.c_str(), dir.file(name).c_str());
}

std::string replaced(std::string text, const std::string& dir) {
    for (size_t at = text.find("DIR"); at != std::string::npos; at = text.find("DIR", at + dir.size()))
        text.replace(at, 3, dir);
    return text;
}

const Case kCases[] = {
    {"PlainFile",
     [](const TempDir& d) {
         folder(d, "etc");
         file(d, "etc/hosts");
         return std::vector<Owner>{};
     },
     "etc/hosts", PathUse::Read, PathStatus::Safe, ""},
    {"MissingFile",
     [](const TempDir& d) {
         folder(d, "etc");
         return std::vector<Owner>{};
     },
     "etc/hosts", PathUse::Replace, PathStatus::Missing, ""},
    {"FolderOfAnotherUser",
     [](const TempDir& d) {
         folder(d, "home/ann");
         file(d, "home/ann/block.txt");
         return std::vector<Owner>{ownedBy(d.file("home/ann"), kOther, kOther),
                                   ownedBy(d.file("home/ann/block.txt"), 0, 0)};
     },
     "home/ann/block.txt", PathUse::Read, PathStatus::Unsafe, "the folder DIR/home/ann belongs to another user"},
    // A folder of theirs two steps up: they may rename what is below it and put their own in its place.
    {"FolderAboveOfAnotherUser",
     [](const TempDir& d) {
         folder(d, "srv/etc");
         file(d, "srv/etc/hosts");
         return std::vector<Owner>{ownedBy(d.file("srv"), kOther, kOther)};
     },
     "srv/etc/hosts", PathUse::Replace, PathStatus::Unsafe, "the folder DIR/srv belongs to another user"},
    {"FolderAnyUserMayChange",
     [](const TempDir& d) {
         folder(d, "open", 0777);
         file(d, "open/hosts");
         return std::vector<Owner>{};
     },
     "open/hosts", PathUse::Replace, PathStatus::Unsafe, "any user may change the folder DIR/open"},
    {"FolderOfAGroup",
     [](const TempDir& d) {
         folder(d, "shared", 0775);
         file(d, "shared/hosts");
         return std::vector<Owner>{ownedBy(d.file("shared"), 0, kOther)};
     },
     "shared/hosts", PathUse::Replace, PathStatus::Unsafe, "the users of its group may change the folder DIR/shared"},
    // The same folder for a user who is not root: that user's groups are their own business.
    {"FolderOfAGroupForAUser",
     [](const TempDir& d) {
         folder(d, "shared", 0775);
         file(d, "shared/hosts");
         return std::vector<Owner>{ownedBy(d.file("shared"), 1000, kOther),
                                   ownedBy(d.file("shared/hosts"), 1000, 1000)};
     },
     "shared/hosts", PathUse::Read, PathStatus::Safe, "", "", 1000},
    {"FolderOfRootsGroup",
     [](const TempDir& d) {
         folder(d, "shared", 0775);
         file(d, "shared/hosts");
         return std::vector<Owner>{ownedBy(d.file("shared"), 0, 0)};
     },
     "shared/hosts", PathUse::Read, PathStatus::Safe, ""},
    // 775 root:root looks closed; its access list lets another user write it.
    {"FolderAccessListForAUser",
     [](const TempDir& d) {
         folder(d, "acl", 0755);
         file(d, "acl/hosts");
         return std::vector<Owner>{writableBy(d.file("acl"), 0755, {kOther}, {})};
     },
     "acl/hosts", PathUse::Replace, PathStatus::Unsafe, "its access list lets another user change the folder DIR/acl"},
    {"FolderAccessListForAGroup",
     [](const TempDir& d) {
         folder(d, "acl", 0755);
         file(d, "acl/hosts");
         return std::vector<Owner>{writableBy(d.file("acl"), 0755, {}, {kOther})};
     },
     "acl/hosts", PathUse::Replace, PathStatus::Unsafe, "its access list lets a group change the folder DIR/acl"},
    {"FolderAccessListForTheRunningUser",
     [](const TempDir& d) {
         folder(d, "acl", 0755);
         file(d, "acl/hosts");
         return std::vector<Owner>{writableBy(d.file("acl"), 0755, {1000}, {kOther}),
                                   ownedBy(d.file("acl/hosts"), 1000, 1000)};
     },
     "acl/hosts", PathUse::Read, PathStatus::Safe, "", "", 1000},
    {"LinkOfAnotherUser",
     [](const TempDir& d) {
         folder(d, "etc");
         file(d, "secret", 0600);
         link(d, "etc/hosts", d.file("secret"));
         return std::vector<Owner>{ownedBy(d.file("etc/hosts"), kOther, kOther)};
     },
     "etc/hosts", PathUse::Read, PathStatus::Unsafe, "it is a link that belongs to another user"},
    {"LinkOfAnotherUserOnTheWay",
     [](const TempDir& d) {
         folder(d, "real");
         file(d, "real/list");
         link(d, "lists", d.file("real"));
         return std::vector<Owner>{ownedBy(d.file("lists"), kOther, kOther)};
     },
     "lists/list", PathUse::Read, PathStatus::Unsafe, "the link DIR/lists belongs to another user"},
    // root's own link, but through a folder of theirs: they choose where it leads.
    {"TrustedLinkThroughAFolderOfAnotherUser",
     [](const TempDir& d) {
         folder(d, "etc");
         folder(d, "ann");
         file(d, "secret", 0600);
         link(d, "ann/x", d.file("secret"));
         link(d, "etc/hosts", d.file("ann/x"));
         return std::vector<Owner>{ownedBy(d.file("ann"), kOther, kOther)};
     },
     "etc/hosts", PathUse::Read, PathStatus::Unsafe, "the folder DIR/ann belongs to another user"},
    {"TrustedLinksFollowed",
     [](const TempDir& d) {
         folder(d, "etc");
         folder(d, "real/lists");
         file(d, "real/lists/ads");
         link(d, "etc/lists", "../real/lists");
         link(d, "etc/ads", "lists/ads");
         return std::vector<Owner>{};
     },
     "etc/ads", PathUse::Read, PathStatus::Safe, "", "real/lists/ads"},
    // ".." after a link goes up from where the link led, through a folder that must be checked too.
    {"UpAfterALink",
     [](const TempDir& d) {
         folder(d, "ann/deep");
         file(d, "ann/list");
         link(d, "l", d.file("ann/deep"));
         return std::vector<Owner>{ownedBy(d.file("ann"), kOther, kOther)};
     },
     "l/../list", PathUse::Read, PathStatus::Unsafe, "the folder DIR/ann belongs to another user"},
    {"LinkLoop",
     [](const TempDir& d) {
         link(d, "a", d.file("b"));
         link(d, "b", d.file("a"));
         return std::vector<Owner>{};
     },
     "a", PathUse::Read, PathStatus::Failed, "DIR/a cannot be looked at: Too many levels of symbolic links"},
    {"LinkToNothing",
     [](const TempDir& d) {
         folder(d, "etc");
         link(d, "etc/hosts", d.file("etc/gone"));
         return std::vector<Owner>{};
     },
     "etc/hosts", PathUse::Replace, PathStatus::Missing, "", "etc/gone"},
    // In a sticky folder any user may add to, what is theirs they may swap at any time, and a second
    // name of a file may be one they made.
    {"FileOfAnotherUserInAStickyFolder",
     [](const TempDir& d) {
         folder(d, "tmp", 01777);
         file(d, "tmp/list");
         return std::vector<Owner>{ownedBy(d.file("tmp/list"), kOther, kOther)};
     },
     "tmp/list", PathUse::Replace, PathStatus::Unsafe,
     "it belongs to another user, in a folder where others may add files"},
    {"HardLinkInAStickyFolder",
     [](const TempDir& d) {
         folder(d, "tmp", 01777);
         file(d, "secret", 0600);
         ::link(d.file("secret").c_str(), d.file("tmp/list").c_str());
         return std::vector<Owner>{};
     },
     "tmp/list", PathUse::Read, PathStatus::Unsafe,
     "it has another name (a hard link), in a folder where others may add files"},
    // ".." back into a sticky folder is as open as the folder itself.
    {"UpIntoAStickyFolder",
     [](const TempDir& d) {
         folder(d, "tmp", 01777);
         folder(d, "tmp/sub");
         file(d, "tmp/list");
         return std::vector<Owner>{ownedBy(d.file("tmp/list"), kOther, kOther)};
     },
     "tmp/sub/../list", PathUse::Replace, PathStatus::Unsafe,
     "it belongs to another user, in a folder where others may add files"},
    {"OwnFileInAStickyFolder",
     [](const TempDir& d) {
         folder(d, "tmp", 01777);
         file(d, "tmp/list");
         return std::vector<Owner>{};
     },
     "tmp/list", PathUse::Read, PathStatus::Safe, ""},
    // A sticky folder that an access list opens is as open as one whose mode does.
    {"FileOfAnotherUserInAStickyFolderOpenedByAnAccessList",
     [](const TempDir& d) {
         folder(d, "tmp", 01755);
         file(d, "tmp/list");
         return std::vector<Owner>{writableBy(d.file("tmp"), 01755, {kOther}, {}),
                                   ownedBy(d.file("tmp/list"), kOther, kOther)};
     },
     "tmp/list", PathUse::Replace, PathStatus::Unsafe,
     "it belongs to another user, in a folder where others may add files"},
    // What is taken in must be theirs to change no more than its place.
    {"ReadFileOfAnotherUser",
     [](const TempDir& d) {
         file(d, "list");
         return std::vector<Owner>{ownedBy(d.file("list"), kOther, kOther)};
     },
     "list", PathUse::Read, PathStatus::Unsafe, "it belongs to another user"},
    {"ReplacedFileOfAnotherUser",
     [](const TempDir& d) {
         file(d, "hosts");
         return std::vector<Owner>{ownedBy(d.file("hosts"), kOther, kOther)};
     },
     "hosts", PathUse::Replace, PathStatus::Safe, ""},
    {"ReadFileAnyUserMayChange",
     [](const TempDir& d) {
         file(d, "list", 0666);
         return std::vector<Owner>{};
     },
     "list", PathUse::Read, PathStatus::Unsafe, "any user may change it"},
    {"ReadFileAccessList",
     [](const TempDir& d) {
         file(d, "list");
         return std::vector<Owner>{writableBy(d.file("list"), 0644, {kOther}, {})};
     },
     "list", PathUse::Read, PathStatus::Unsafe, "its access list lets another user change it"},
    {"ReadThroughLinkNamesTheFile",
     [](const TempDir& d) {
         folder(d, "real");
         file(d, "real/list", 0666);
         link(d, "list", d.file("real/list"));
         return std::vector<Owner>{};
     },
     "list", PathUse::Read, PathStatus::Unsafe, "any user may change the file DIR/real/list"},
    {"CacheFolderOfAnotherUser",
     [](const TempDir& d) {
         folder(d, "cache/velmora", 0700);
         return std::vector<Owner>{ownedBy(d.file("cache/velmora"), kOther, kOther)};
     },
     "cache/velmora", PathUse::Folder, PathStatus::Unsafe, "the folder DIR/cache/velmora belongs to another user"},
    {"CacheFolderMissing",
     [](const TempDir& d) {
         folder(d, "cache", 0700);
         return std::vector<Owner>{};
     },
     "cache/velmora", PathUse::Folder, PathStatus::Missing, ""},
};

class PathSafety : public ::testing::TestWithParam<Case> {
protected:
    // The check as the case's user runs it, on the path the case names.
    CheckedPath check(FileSystem& files) {
        const Case& c = GetParam();
        return checkPath(files, dir.file(c.path), c.use);
    }
    void expectCase(const CheckedPath& result) {
        const Case& c = GetParam();
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.reason, replaced(c.reason, dir.path()));
        if (c.status == PathStatus::Safe || c.status == PathStatus::Missing) {
            EXPECT_EQ(result.path, dir.file(c.checked.empty() ? c.path : c.checked));
        }
    }
    TempDir dir;
};

// Every rule through the fake file system's owners, modes and access lists, whoever runs the tests.
TEST_P(PathSafety, FakeOwners) {
    FakeFileSystem files;
    files.fakeUserId = GetParam().user;
    tellFake(files, GetParam().plant(dir));
    expectCase(check(files));
}

// The same with the owners, modes and access lists made real, as root.
TEST_P(PathSafety, RealOwners) {
    const std::vector<Owner> owners = GetParam().plant(dir);
    if (const std::string why = makeReal(owners); !why.empty())
        GTEST_SKIP() << why;
    if (GetParam().user != 0)
        GTEST_SKIP() << "a real run as another user than root is the fake's to show";
    PosixFileSystem files;
    expectCase(check(files));
}

INSTANTIATE_TEST_SUITE_P(Cases, PathSafety, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// A relative path is walked from the root through the working folder: a folder of another user above
// the working folder refuses it as surely as one named in the path.
TEST(PathSafetyWalk, RelativePathsWalkTheWorkingFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("ann/work"));
    writeFile(dir.file("ann/work/list"), "x\n");
    FakeFileSystem files;
    files.fakeUserId = 0;
    tellFake(files, {ownedBy(dir.file("ann"), kOther, kOther)});
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.file("ann/work"));
    const CheckedPath result = checkPath(files, "list", PathUse::Read);
    std::filesystem::current_path(before);
    EXPECT_EQ(result.status, PathStatus::Unsafe);
    EXPECT_EQ(result.reason, "the folder " + dir.file("ann") + " belongs to another user");
}

// The root is a folder on the way like any other (through the fake alone: no test changes the real one).
TEST(PathSafetyWalk, TheRootIsCheckedToo) {
    TempDir dir;
    writeFile(dir.file("list"), "x\n");
    FakeFileSystem files;
    files.fakeUserId = 0;
    tellFake(files, {ownedBy("/", kOther, kOther, 0755)});
    const CheckedPath result = checkPath(files, dir.file("list"), PathUse::Read);
    EXPECT_EQ(result.status, PathStatus::Unsafe);
    EXPECT_EQ(result.reason, "the folder / belongs to another user");
}

// An access list that cannot be read is no list that grants nothing: the check fails and says why.
TEST(PathSafetyWalk, AnUnreadableAccessListFails) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("etc"));
    FakeFileSystem files;
    files.accessLists[dir.file("etc")] = AccessList{{}, {}, EIO};
    const CheckedPath result = checkPath(files, dir.file("etc/hosts"), PathUse::Replace);
    EXPECT_EQ(result.status, PathStatus::Failed);
    EXPECT_EQ(result.reason, "the folder " + dir.file("etc") + " cannot be looked at: Input/output error");
}

} // namespace
