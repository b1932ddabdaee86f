#pragma once

#include "platform/PosixPlatform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmora {

// A platform for tests. Files are real (the tests work in temporary folders), but any file operation
// can be made to fail; desktop services return canned answers and record what they were asked.
class FakePlatform : public PosixPlatform {
public:
    enum class Op { Stat, OpenRead, Read, CreateExclusive, OpenWriteInPlace, Write, Sync, SetMode, Rename, Remove };

    // The next calls of op fail with error, after `skip` calls of it have gone through; `times` calls
    // fail (a negative number: every call from then on). Write failures may be partial: a failing
    // write first writes `partialBytes` bytes when that is not 0.
    void failOp(Op op, int error, int skip = 0, int times = 1, size_t partialBytes = 0);
    void clearFaults() { m_faults.clear(); }
    // Calls made of op so far.
    int calls(Op op) const;
    // A hook run before the nth read of a file (for files that change while being read).
    std::function<void(int readIndex)> beforeRead;

    std::map<std::string, std::string> env;
    bool nt = true;
    std::string winDir = "C:\\WINDOWS";
    std::string sysDir = "C:\\WINDOWS\\system32";

    std::vector<std::string> openAnswers; // answers of chooseOpenFile, in order; then ""
    std::vector<std::string> saveAnswers;
    std::vector<FileDialogRequest> dialogRequests;
    std::vector<std::string> calls_; // "editor:<path>", "folder:<path>", "address:<a>", "sound:<name>", "topmost"

    bool isNt() override { return nt; }
    std::string windowsDirectory() override { return winDir; }
    std::string systemDirectory() override { return sysDir; }
    std::string environment(const char* name) override;

    PathInfo stat(const std::string& path, bool followLinks) override;
    int openRead(const std::string& path) override;
    int createExclusive(const std::string& path, uint32_t mode) override;
    int openWriteInPlace(const std::string& path) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t write(int fd, const void* data, size_t size) override;
    int syncFile(int fd) override;
    int setMode(int fd, uint32_t mode) override;
    int rename(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;

    std::string chooseOpenFile(const FileDialogRequest& request) override;
    std::string chooseSaveFile(const FileDialogRequest& request) override;
    void openInTextEditor(const std::string& path) override { calls_.push_back("editor:" + path); }
    void openFolder(const std::string& path) override { calls_.push_back("folder:" + path); }
    void openAddress(const std::string& address) override { calls_.push_back("address:" + address); }
    void playSound(const std::string& eventName) override { calls_.push_back("sound:" + eventName); }
    void makeTopmost(void*) override { calls_.push_back("topmost"); }

private:
    struct Fault {
        Op op;
        int error;
        int skip;
        int times;
        size_t partialBytes;
    };
    // 0 when the call goes through, else the error to fail with (and partial bytes for writes).
    int fault(Op op, size_t* partialBytes = nullptr);

    std::vector<Fault> m_faults;
    std::map<Op, int> m_calls;
    int m_reads = 0;
};

} // namespace velmora
