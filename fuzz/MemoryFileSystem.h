#pragma once

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::fuzz {

// A file system that lives in memory, for the fuzz targets: fast, and never near a real file.
// Paths are plain keys (no folders to create); an open file keeps its node, so a rename or a removal
// behind an open descriptor behaves as on POSIX. Any file operation can be made to fail by its number
// in the sequence of calls, and a failing write may first land some of its bytes.
class MemoryFileSystem : public FileSystem {
public:
    enum class Kind { Regular, Directory, Fifo };
    struct Node {
        std::string bytes;
        uint32_t mode = 0644;
        Kind kind = Kind::Regular;
    };
    struct Fault {
        int call;     // the number of the file operation that fails, counted from 0
        int error;    // its errno
        size_t bytes; // for a write: how many bytes land before it fails
    };

    std::map<std::string, std::shared_ptr<Node>> files;
    std::vector<Fault> faults;
    size_t readLimit = 0; // when not 0, no read returns more than this (short reads)
    int fileCalls = 0;
    // A process killed at this call: it and every later one fail and change nothing. Negative: never.
    int stopAt = -1;

    void put(const std::string& path, std::string bytes, Kind kind = Kind::Regular) {
        auto node = std::make_shared<Node>();
        node->bytes = std::move(bytes);
        node->kind = kind;
        files[path] = node;
    }
    // The bytes of a regular file, or nullptr when there is none at path.
    const std::string* bytesOf(const std::string& path) const {
        const auto it = files.find(path);
        return it == files.end() || it->second->kind != Kind::Regular ? nullptr : &it->second->bytes;
    }
    int openDescriptors() const { return static_cast<int>(m_open.size()); }

    PathInfo stat(const std::string& path, bool) override {
        PathInfo info;
        size_t ignored = 0;
        if (int error = fault(ignored)) {
            info.error = error;
            return info;
        }
        const auto it = files.find(path);
        if (it == files.end()) {
            info.error = ENOENT;
            return info;
        }
        info.exists = true;
        info.isRegular = it->second->kind == Kind::Regular;
        info.isDirectory = it->second->kind == Kind::Directory;
        info.size = it->second->bytes.size();
        info.mode = it->second->mode;
        info.inode = reinterpret_cast<uintptr_t>(it->second.get());
        return info;
    }
    // There are no links here: every path is already resolved.
    ResolvedPath resolveLinks(const std::string& path) override { return ResolvedPath{path, 0}; }

    PathInfo fileInfo(int fd) override {
        PathInfo info;
        Open* f = find(fd);
        if (!f) {
            info.error = EBADF;
            return info;
        }
        info.exists = true;
        info.isRegular = true;
        info.size = f->node->bytes.size();
        info.mode = f->node->mode;
        info.inode = reinterpret_cast<uintptr_t>(f->node.get());
        return info;
    }
    int openRead(const std::string& path, bool) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        const auto it = files.find(path);
        if (it == files.end())
            return -ENOENT;
        if (it->second->kind != Kind::Regular)
            return it->second->kind == Kind::Directory ? -EISDIR : -EINVAL;
        return open(it->second, false);
    }
    int createExclusive(const std::string& path, uint32_t mode) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        if (files.count(path))
            return -EEXIST;
        put(path, {});
        files[path]->mode = mode;
        return open(files[path], true);
    }
    int openWriteInPlace(const std::string& path) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        const auto it = files.find(path);
        if (it == files.end())
            return -ENOENT;
        if (it->second->kind != Kind::Regular)
            return -EINVAL;
        it->second->bytes.clear();
        return open(it->second, true);
    }
    ssize_t read(int fd, void* buffer, size_t size) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        Open* f = find(fd);
        if (!f)
            return -EBADF;
        const std::string& bytes = f->node->bytes;
        size_t n = f->pos < bytes.size() ? std::min(size, bytes.size() - f->pos) : 0;
        if (readLimit != 0)
            n = std::min(n, readLimit);
        if (n > 0)
            std::memcpy(buffer, bytes.data() + f->pos, n);
        f->pos += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(int fd, const void* data, size_t size) override {
        size_t landed = 0;
        const int error = fault(landed);
        Open* f = find(fd);
        if (!f || !f->writable)
            return -EBADF;
        const size_t n = error ? std::min(landed, size) : size;
        std::string& bytes = f->node->bytes;
        if (bytes.size() < f->pos + n)
            bytes.resize(f->pos + n);
        bytes.replace(f->pos, n, static_cast<const char*>(data), n);
        f->pos += n;
        return error ? -error : static_cast<ssize_t>(size);
    }
    int syncFile(int fd) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        return find(fd) ? 0 : -EBADF;
    }
    int setOwner(int fd, uint32_t, uint32_t) override { return find(fd) ? 0 : -EBADF; }
    int setMode(int fd, uint32_t mode) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        Open* f = find(fd);
        if (!f)
            return -EBADF;
        f->node->mode = mode;
        return 0;
    }
    int setReadOnly(const std::string&, bool) override { return -ENOTSUP; }
    int close(int fd) override {
        // Like POSIX: the descriptor is gone even when close reports an error.
        size_t ignored = 0;
        const int error = fault(ignored);
        if (m_open.erase(fd) == 0)
            return -EBADF;
        return error ? -error : 0;
    }
    int rename(const std::string& from, const std::string& to) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        const auto it = files.find(from);
        if (it == files.end())
            return -ENOENT;
        const auto node = it->second;
        files.erase(it);
        files[to] = node;
        return 0;
    }
    int remove(const std::string& path) override {
        size_t ignored = 0;
        if (int error = fault(ignored))
            return -error;
        return files.erase(path) ? 0 : -ENOENT;
    }
    int syncDirectory(const std::string&) override { return 0; }
    std::string errorText(int error) override { return std::strerror(error); }
    FolderNames listFolder(const std::string& dir) override {
        FolderNames result;
        for (const auto& entry : files) {
            if (entry.first.compare(0, dir.size(), dir) == 0 && entry.first.find('/', dir.size()) == std::string::npos)
                result.names.push_back(entry.first.substr(dir.size()));
        }
        return result;
    }
    // One process, so a lock is always had; its file is kept apart from the files, so that it never
    // counts among what a save leaves behind.
    int openLockFile(const std::string&, uint32_t) override { return open(std::make_shared<Node>(), true); }
    int tryLock(int fd) override { return find(fd) ? 0 : -EBADF; }
    int truncate(int fd) override {
        Open* f = find(fd);
        if (!f)
            return -EBADF;
        f->node->bytes.clear();
        f->pos = 0;
        return 0;
    }
    uint32_t userId() override { return 0; }
    int processId() override { return 1; }

private:
    struct Open {
        std::shared_ptr<Node> node;
        size_t pos = 0;
        bool writable = false;
    };

    int fault(size_t& landed) {
        const int call = fileCalls++;
        if (stopAt >= 0 && call >= stopAt) {
            landed = 0;
            return EIO;
        }
        for (const Fault& f : faults) {
            if (f.call == call) {
                landed = f.bytes;
                return f.error;
            }
        }
        return 0;
    }
    int open(const std::shared_ptr<Node>& node, bool writable) {
        const int fd = m_nextFd++;
        m_open[fd] = Open{node, 0, writable};
        return fd;
    }
    Open* find(int fd) {
        const auto it = m_open.find(fd);
        return it == m_open.end() ? nullptr : &it->second;
    }

    std::map<int, Open> m_open;
    int m_nextFd = 3;
};

} // namespace velmora::fuzz
