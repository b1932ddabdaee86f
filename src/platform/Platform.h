#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#ifdef _MSC_VER
#include <BaseTsd.h>
typedef SSIZE_T ssize_t;
#else
#include <sys/types.h>
#endif

namespace velmora {

// What the platform says about a path.
struct PathInfo {
    bool exists = false;
    bool isRegular = false;
    bool isDirectory = false;
    bool isSymlink = false; // only when asked not to follow links
    uint64_t size = 0;
    uint32_t mode = 0; // permission bits
    uint32_t uid = 0;
    uint32_t gid = 0;
    int error = 0; // errno of a failed query
};

// A request for the platform's Open or Save dialog.
struct FileDialogRequest {
    void* owner = nullptr; // the owning window (a QWidget*), or none
    std::string title;
    std::string filter;        // pairs "description|pattern|..."; a description alone matches every file
    std::string initialPath;   // a folder or a file path; the dialog starts as near to it as it can
    std::string initialName;   // proposed file name (Save only)
};

// Every operating-system service that Velmora uses. One implementation per operating system, chosen
// when building, and a fake for tests that returns canned answers, records calls and injects faults.
// File operations follow the POSIX calls they are named after: a negative result is -errno.
class Platform {
public:
    virtual ~Platform() = default;

    // HOSTS location.
    virtual bool isNt() = 0;
    virtual std::string windowsDirectory() = 0; // without a final separator; empty on failure
    virtual std::string systemDirectory() = 0;
    virtual std::string environment(const char* name) = 0; // empty when unset

    // Files.
    virtual PathInfo stat(const std::string& path, bool followLinks) = 0;
    virtual std::string resolveLinks(const std::string& path) = 0; // empty with errno on failure
    virtual int openRead(const std::string& path) = 0;             // never blocks (FIFOs are refused)
    virtual int createExclusive(const std::string& path, uint32_t mode) = 0;
    virtual int openWriteInPlace(const std::string& path) = 0; // existing file, cut to nothing
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
    virtual ssize_t write(int fd, const void* data, size_t size) = 0;
    virtual int syncFile(int fd) = 0;
    virtual int setOwner(int fd, uint32_t uid, uint32_t gid) = 0;
    virtual int setMode(int fd, uint32_t mode) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int remove(const std::string& path) = 0;
    virtual int syncDirectory(const std::string& dir) = 0;
    virtual std::string errorText(int error) = 0;

    // Desktop services. None of them waits for a started program or reports a failure.
    virtual std::string chooseOpenFile(const FileDialogRequest& request) = 0; // empty when cancelled
    virtual std::string chooseSaveFile(const FileDialogRequest& request) = 0; // empty when cancelled
    virtual void openInTextEditor(const std::string& path) = 0;
    virtual void openFolder(const std::string& path) = 0;
    virtual void openAddress(const std::string& address) = 0;
    // Plays a named system sound event ("SystemAsterisk", ...) without waiting.
    virtual void playSound(const std::string& eventName) = 0;
    // Keeps a window (a QWidget*) above all others.
    virtual void makeTopmost(void* window) = 0;
};

// The platform of the running system.
Platform& systemPlatform();

// Replaces the platform that systemPlatform() returns (tests); nullptr restores the real one.
void setSystemPlatform(Platform* platform);

} // namespace velmora
