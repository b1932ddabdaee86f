#pragma once

#include "platform/FakeFileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// Another user than root and the one running the tests, for files the tests give away.
constexpr uint32_t kOtherUser = 4242;

// Who owns a file, folder or link of a test, with what mode, and whom its access list lets write it.
struct Owner {
    std::string path;
    uint32_t uid = 0;
    uint32_t gid = 0;
    uint32_t mode = 0; // permission bits; 0 keeps the file's own (a link has none)
    std::vector<uint32_t> aclUsers;
    std::vector<uint32_t> aclGroups;
};

// A file of uid's and gid's, with its own mode or this one.
inline Owner ownedBy(std::string path, uint32_t uid, uint32_t gid, uint32_t mode = 0) {
    return Owner{std::move(path), uid, gid, mode, {}, {}};
}
// A file of root's whose access list lets these users and groups write it.
inline Owner writableBy(std::string path, uint32_t mode, std::vector<uint32_t> users, std::vector<uint32_t> groups) {
    return Owner{std::move(path), 0, 0, mode, std::move(users), std::move(groups)};
}

// Makes the owners real: lchown, chmod and the access list (only root may). Empty when done, else why
// not (not root, a file system without access lists), for the test to skip with.
std::string makeReal(const std::vector<Owner>& owners);

// Tells the fake file system the same, for a test run by any user: stat and the access lists then say
// what the real files would after makeReal.
void tellFake(FakeFileSystem& files, const std::vector<Owner>& owners);

} // namespace velmora::test
