#include "support/PosixOwners.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmora::test {

namespace {

// The mode an owner leaves: its own bits, with the group's widened to the access list's mask (rwx)
// when it has one, as the system shows them.
uint32_t modeOf(const Owner& owner) {
    struct stat st {};
    uint32_t mode = owner.mode;
    if (mode == 0 && ::lstat(owner.path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    if (!owner.aclUsers.empty() || !owner.aclGroups.empty())
        mode |= 0070;
    return mode;
}

// The access list in the kernel's form: entries of a tag, permissions and an id, in the order the
// kernel asks for (linux/posix_acl_xattr.h).
std::string accessListBytes(const Owner& owner, uint32_t mode) {
    std::string bytes;
    const auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    const auto entry = [&](uint16_t tag, uint16_t perm, uint32_t id) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    };
    put(2, 4);
    entry(0x01, (mode >> 6) & 7, ~0u);
    std::vector<uint32_t> users = owner.aclUsers, groups = owner.aclGroups;
    std::sort(users.begin(), users.end());
    std::sort(groups.begin(), groups.end());
    for (const uint32_t uid : users)
        entry(0x02, 7, uid);
    entry(0x04, 5, ~0u);
    for (const uint32_t gid : groups)
        entry(0x08, 7, gid);
    entry(0x10, 7, ~0u);
    entry(0x20, mode & 7, ~0u);
    return bytes;
}

} // namespace

std::string makeReal(const std::vector<Owner>& owners) {
    if (::geteuid() != 0)
        return "only root can give files to other users and set their access lists";
    for (const Owner& owner : owners) {
        const uint32_t mode = modeOf(owner);
        struct stat st {};
        ::lstat(owner.path.c_str(), &st);
        if (!S_ISLNK(st.st_mode) && ::chmod(owner.path.c_str(), mode) != 0)
            return owner.path + ": chmod: " + std::strerror(errno);
        if (!owner.aclUsers.empty() || !owner.aclGroups.empty()) {
            const std::string list = accessListBytes(owner, mode);
            if (::setxattr(owner.path.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0)
                return owner.path + ": no access list could be set: " + std::strerror(errno);
        }
        if (::lchown(owner.path.c_str(), owner.uid, owner.gid) != 0)
            return owner.path + ": lchown: " + std::strerror(errno);
    }
    return {};
}

void tellFake(FakeFileSystem& files, const std::vector<Owner>& owners) {
    for (const Owner& owner : owners) {
        files.owners[owner.path] = FakeFileSystem::Owner{owner.uid, owner.gid, modeOf(owner)};
        if (!owner.aclUsers.empty() || !owner.aclGroups.empty())
            files.accessLists[owner.path] = AccessList{owner.aclUsers, owner.aclGroups, 0};
    }
}

} // namespace velmora::test
