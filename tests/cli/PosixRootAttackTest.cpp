// The ways another user could steer a run as root, each one run and refused: a list of theirs swapped
// for a link to a file only root may read, a backup restored through a link of theirs, a folder whose
// access list lets them in, a folder of theirs above the HOSTS file's, a lock file of theirs, a cache
// folder that is a link of theirs, a HOME of theirs. After each, the HOSTS file, its backup and the
// secret are byte for byte as before, and the run says why. Every attack runs twice: in process, as a
// run as root sees it through the fake file system's owners, modes and access lists (for any user), and
// as the built program with real owners and access lists (as root, skipped otherwise).

#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/HttpServer.h"
#include "support/Lines.h"
#include "support/PosixOwners.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;

namespace {

// Lines that a merge takes, and a name that a block list takes.
const std::string kSecret = "DB_PASSWORD=hunter2\nvault.internal.example\n";
const std::string kHosts = "127.0.0.1 localhost\n";
const std::string kBackup = "127.0.0.1 localhost\n10.0.0.1 nas\n";

// The sandbox an attack runs in: dir/etc with the HOSTS file and its backup, a secret only root may
// read, a list of root's, a home of another user's; the attack adds what it needs.
struct Sandbox {
    const TempDir& dir;
    std::string hosts;                        // the HOSTS file the run works on
    std::map<std::string, std::string> env{}; // more of the run's environment ("" removes a variable)

    std::string file(const std::string& name) const { return dir.file(name); }
    void folder(const std::string& name, mode_t mode) const {
        std::filesystem::create_directories(file(name));
        ::chmod(file(name).c_str(), mode);
    }
    void put(const std::string& name, const std::string& bytes) const { writeFile(file(name), bytes); }
    void link(const std::string& name, const std::string& to) const { ::symlink(to.c_str(), file(name).c_str()); }
};

struct Attack {
    const char* name;
    // What the attacker made, and who owns what.
    std::function<std::vector<Owner>(Sandbox&)> plant;
    Lines arguments;  // "{dir}" stands for the sandbox's folder, "{web}" for an address on the test's server
    std::string said; // in what the run reports, with "{dir}"
    int status = kExitFailed;
    bool hostsKept = true; // else only the secret must not have reached it
};

std::string filled(std::string text, const std::string& dir, const std::string& web) {
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{dir}", dir}, {"{web}", web}})
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
            text.replace(at, mark.size(), value);
    return text;
}

// A block kept from ann's list, which she may swap at will.
std::string annsBlock(const Sandbox& s) {
    return "#BEGIN of mine\n# source: " + s.file("home/ann/block.txt") + "\n127.0.0.1 old.example\n#END of mine\n";
}

// ann's home, with her list swapped for a link to the secret.
std::vector<Owner> annSwapsHerList(Sandbox& s) {
    s.folder("home/ann", 0755);
    s.link("home/ann/block.txt", s.file("secret"));
    return {ownedBy(s.file("home/ann"), kOtherUser, kOtherUser),
            ownedBy(s.file("home/ann/block.txt"), kOtherUser, kOtherUser)};
}

const Attack kAttacks[] = {
    {"UpdateReadsAUsersListSwappedForALink",
     [](Sandbox& s) {
         s.put("etc/hosts", kHosts + annsBlock(s));
         return annSwapsHerList(s);
     },
     {"--update"},
     "the folder {dir}/home/ann belongs to another user"},
    {"UpdateOfABlockFromAUsersList",
     annSwapsHerList,
     {"--update", "mine", "{dir}/home/ann/block.txt"},
     "the folder {dir}/home/ann belongs to another user"},
    {"AddOfAUsersList",
     annSwapsHerList,
     {"--add", "{dir}/home/ann/block.txt"},
     "the folder {dir}/home/ann belongs to another user"},
    {"ClassicAddOfAUsersList",
     annSwapsHerList,
     {"/add", "{dir}/home/ann/block.txt"},
     "the folder {dir}/home/ann belongs to another user"},
    // Removing another block completes the others from their lists: ann's is not read, and the removal
    // itself goes ahead.
    {"RemoveCompletesFromAUsersList",
     [](Sandbox& s) {
         s.put("lists/root.txt", "shared.example\n");
         s.put("etc/hosts", kHosts + "#BEGIN of other\n# source: " + s.file("lists/root.txt") +
                                "\n127.0.0.1 shared.example\n#END of other\n" + annsBlock(s));
         return annSwapsHerList(s);
     },
     {"--remove", "other", "--yes"},
     "the folder {dir}/home/ann belongs to another user",
     kExitDone,
     false},
    {"AllowlistOfAnotherUser",
     [](Sandbox& s) {
         s.folder("home/ann", 0755);
         s.put("home/ann/allow.txt", "ads.example\n");
         return std::vector<Owner>{ownedBy(s.file("home/ann"), kOtherUser, kOtherUser)};
     },
     {"--add", "{dir}/lists/root.txt", "--allow", "{dir}/home/ann/allow.txt"},
     "the folder {dir}/home/ann belongs to another user"},
    {"ListLinkedFromAStickyFolder",
     [](Sandbox& s) {
         s.folder("tmp", 01777);
         s.link("tmp/list.txt", s.file("secret"));
         return std::vector<Owner>{ownedBy(s.file("tmp/list.txt"), kOtherUser, kOtherUser)};
     },
     {"--add", "{dir}/tmp/list.txt"},
     "it is a link that belongs to another user"},
    {"ListThatIsAHardLinkInAStickyFolder",
     [](Sandbox& s) {
         s.folder("tmp", 01777);
         ::link(s.file("secret").c_str(), s.file("tmp/list.txt").c_str());
         return std::vector<Owner>{};
     },
     {"--add", "{dir}/tmp/list.txt"},
     "it has another name (a hard link), in a folder where others may add files"},
    // The HOSTS file in a sticky folder; the backup's name was free, and ann took it with a link.
    {"RestoreThroughALinkInAStickyFolder",
     [](Sandbox& s) {
         s.folder("shared", 01777);
         s.hosts = s.file("shared/hosts");
         s.put("shared/hosts", kHosts);
         s.link("shared/hosts.bak", s.file("secret"));
         return std::vector<Owner>{ownedBy(s.file("shared/hosts.bak"), kOtherUser, kOtherUser)};
     },
     {"--restore", "--yes"},
     "{dir}/shared/hosts.bak: it is a link that belongs to another user"},
    // A link of root's own at the backup's path is not followed either.
    {"RestoreThroughAnyLink",
     [](Sandbox& s) {
         std::filesystem::remove(s.file("etc/hosts.bak"));
         s.link("etc/hosts.bak", s.file("secret"));
         return std::vector<Owner>{};
     },
     {"--restore", "--yes"},
     "{dir}/etc/hosts.bak is a link, and a restore follows none"},
    {"RestoreOfAnotherUsersBackup",
     [](Sandbox& s) { return std::vector<Owner>{ownedBy(s.file("etc/hosts.bak"), kOtherUser, kOtherUser)}; },
     {"--restore", "--yes"},
     "{dir}/etc/hosts.bak: it belongs to another user"},
    // 775 root:root, and an access list that lets ann in: she could swap the backup or the file.
    {"RestoreInAFolderAnAccessListOpens",
     [](Sandbox& s) {
         s.folder("acl", 0775);
         s.hosts = s.file("acl/hosts");
         s.put("acl/hosts", kHosts);
         s.put("acl/hosts.bak", kBackup);
         return std::vector<Owner>{writableBy(s.file("acl"), 0775, {kOtherUser}, {})};
     },
     {"--restore", "--yes"},
     "its access list lets another user change the folder {dir}/acl"},
    {"AddInAFolderAnAccessListOpensToAGroup",
     [](Sandbox& s) {
         s.folder("acl", 0755);
         s.hosts = s.file("acl/hosts");
         s.put("acl/hosts", kHosts);
         return std::vector<Owner>{writableBy(s.file("acl"), 0755, {}, {kOtherUser})};
     },
     {"--add", "{dir}/lists/root.txt"},
     "its access list lets a group change the folder {dir}/acl"},
    // ann owns a folder above the HOSTS file's: she could move it away and put one of hers there.
    {"FolderAboveOfAnotherUser",
     [](Sandbox& s) {
         s.folder("srv/etc", 0755);
         s.hosts = s.file("srv/etc/hosts");
         s.put("srv/etc/hosts", kHosts);
         return std::vector<Owner>{ownedBy(s.file("srv"), kOtherUser, kOtherUser)};
     },
     {"--add", "{dir}/lists/root.txt"},
     "the folder {dir}/srv belongs to another user"},
    // The same, with a list from the web: refused before anything is downloaded for it.
    {"FolderAboveOfAnotherUserBeforeADownload",
     [](Sandbox& s) {
         s.folder("srv/etc", 0755);
         s.hosts = s.file("srv/etc/hosts");
         s.put("srv/etc/hosts", kHosts);
         return std::vector<Owner>{ownedBy(s.file("srv"), kOtherUser, kOtherUser)};
     },
     {"--update", "ads", "{web}"},
     "the folder {dir}/srv belongs to another user"},
    {"LockOfAnotherUser",
     [](Sandbox& s) {
         s.put("etc/.hosts.velmora-lock", "");
         return std::vector<Owner>{ownedBy(s.file("etc/.hosts.velmora-lock"), kOtherUser, kOtherUser, 0600)};
     },
     {"--add", "{dir}/lists/root.txt"},
     "the lock {dir}/etc/.hosts.velmora-lock cannot be taken: it belongs to another user"},
    // In a sticky cache folder, ann's link in place of the folder downloads are kept in.
    {"CacheFolderALinkOfAnotherUser",
     [](Sandbox& s) {
         s.folder("tmp", 01777);
         s.folder("home/ann/cache", 0755);
         s.link("tmp/velmora", s.file("home/ann/cache"));
         s.env["XDG_CACHE_HOME"] = s.file("tmp");
         return std::vector<Owner>{ownedBy(s.file("home/ann"), kOtherUser, kOtherUser),
                                   ownedBy(s.file("home/ann/cache"), kOtherUser, kOtherUser),
                                   ownedBy(s.file("tmp/velmora"), kOtherUser, kOtherUser)};
     },
     {"--update", "ads", "{web}"},
     "{dir}/tmp/velmora: it is a link that belongs to another user"},
    // sudo -E keeps ann's HOME: nothing is made there, nothing is kept there.
    {"HomeOfAnotherUser",
     [](Sandbox& s) {
         s.folder("home/ann", 0755);
         s.env["HOME"] = s.file("home/ann");
         s.env["XDG_CACHE_HOME"] = "";
         return std::vector<Owner>{ownedBy(s.file("home/ann"), kOtherUser, kOtherUser)};
     },
     {"--update", "ads", "{web}"},
     "the folder {dir}/home/ann belongs to another user"},
};

void PrintTo(const Attack& attack, std::ostream* os) {
    *os << attack.name;
}

class RootAttack : public ::testing::TestWithParam<Attack> {
protected:
    RootAttack() {
        sandbox.folder("etc", 0755);
        sandbox.folder("lists", 0755);
        sandbox.folder("cache", 0700);
        sandbox.put("etc/hosts", kHosts);
        sandbox.put("etc/hosts.bak", kBackup);
        sandbox.put("secret", kSecret);
        ::chmod(sandbox.file("secret").c_str(), 0600);
        sandbox.put("lists/root.txt", "ads.example\n");
        sandbox.env["XDG_CACHE_HOME"] = sandbox.file("cache");
        owners = GetParam().plant(sandbox);
        hostsBefore = readFile(sandbox.hosts);
        backupBefore = readFile(sandbox.hosts + ".bak");
    }
    Lines arguments() const {
        Lines filledIn;
        for (const std::string& argument : GetParam().arguments)
            filledIn.push_back(filled(argument, dir.path(), web));
        return filledIn;
    }
    // What must hold after the attack: the status, the reason told, nothing read, nothing changed.
    void expectRefused(int status, const std::string& said) {
        const Attack& attack = GetParam();
        EXPECT_EQ(status, attack.status);
        EXPECT_NE(said.find(filled(attack.said, dir.path(), web)), std::string::npos) << said;
        EXPECT_EQ(readFile(sandbox.file("secret")), kSecret);
        const std::string hosts = readFile(sandbox.hosts);
        EXPECT_EQ(hosts.find("hunter2"), std::string::npos);
        EXPECT_EQ(hosts.find("vault.internal"), std::string::npos);
        if (attack.hostsKept) {
            EXPECT_EQ(hosts, hostsBefore);
            EXPECT_EQ(readFile(sandbox.hosts + ".bak"), backupBefore);
        }
        EXPECT_EQ(requests.load(), 0) << "a list was downloaded";
        EXPECT_FALSE(std::filesystem::exists(sandbox.file("home/ann/.cache")));
    }

    TempDir dir;
    Sandbox sandbox{dir, dir.file("etc/hosts")};
    std::vector<Owner> owners;
    std::string hostsBefore, backupBefore;
    std::atomic<int> requests{0};
    LocalHttpServer server{[this](const HttpRequest&) {
        ++requests;
        return HttpReply{200, "OK", {}, "ads.example\n", true, false};
    }};
    std::string web = server.address("/list");
};

// As a run as root sees the attack through the fake file system, whoever runs the tests.
TEST_P(RootAttack, RefusedThroughTheFakeFileSystem) {
    FakeFileSystem files;
    files.fakeUserId = 0;
    tellFake(files, owners);
    FakeEnvironment environment;
    environment.variables["VELMORA_HOSTS"] = sandbox.hosts;
    for (const auto& [name, value] : sandbox.env)
        if (!value.empty())
            environment.variables[name] = value;
    FakeUserInterface ui;
    HostsDocument document(files, environment, ui);
    document.setDownloader(&systemDownloader());
    std::ostringstream out, err;
    const int status = runBatchMode(parseCommandLine(arguments()), document, out, err);
    std::string said = err.str();
    for (const std::string& shown : ui.shown)
        said += shown + "\n";
    expectRefused(status, said);
}

// The built program, with the owners and access lists made real.
TEST_P(RootAttack, RefusedAsRoot) {
    if (const std::string why = makeReal(owners); !why.empty())
        GTEST_SKIP() << why;
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY",
                set = " no_proxy=127.0.0.1 VELMORA_HOSTS='" + sandbox.hosts + "'";
    for (const auto& [name, value] : sandbox.env) {
        if (value.empty())
            command += " -u " + name;
        else
            set += " " + name + "='" + value + "'";
    }
    command += set;
    command += " '" VELMORA_BINARY "'";
    for (const std::string& argument : arguments())
        command += " '" + argument + "'";
    const int status = std::system((command + " >/dev/null 2>'" + dir.file("said") + "'").c_str());
    expectRefused(WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.file("said")));
}

INSTANTIATE_TEST_SUITE_P(Attacks, RootAttack, ::testing::ValuesIn(kAttacks),
                         [](const ::testing::TestParamInfo<Attack>& param) { return std::string(param.param.name); });

} // namespace
