#pragma once

// The steps that saving and the journal share: names beside the target, what to write, writing a file
// whole into a new one renamed over the target or rewriting it in place. For HostsSave.cpp and
// HostsJournal.cpp; everyone else saves through HostsFile.h.

#include "core/HostsFile.h"

#include <functional>
#include <string>
#include <string_view>

namespace velmora::saving {

// Reads start with pieces this large and double up to kReadChunk, so a small file costs no large buffer.
constexpr size_t kFirstChunk = 1 << 16;
// Files of a killed run younger than this may still belong to a run that is only slow.
constexpr int64_t kStaleAfterNs = int64_t{60} * 1000 * 1000 * 1000;

// The folder part of path with its separator ("" for a bare name), the name after it, and the folder
// to open ("." for a bare name).
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);
std::string folderToOpen(const std::string& path);
// True for a name that a temporary file beside the target called hostsName, its backup or its journal
// gets (see createTemporaryBeside).
bool isTemporaryName(const std::string& name, const std::string& hostsName);
// "path: the system's reason".
std::string reason(FileSystem& files, const std::string& path, int error);

// What to write: lines each followed by lineEnd; without lines the bytes as they are; or what is left
// to read of an open file.
struct Content {
    std::string_view bytes;
    const EntryList* lines = nullptr;
    std::string_view lineEnd;
    int copyFrom = -1;
    bool hashed = true; // the written file's fingerprint is wanted
};
inline Content bytesContent(std::string_view bytes) {
    return Content{bytes, nullptr, {}, -1};
}
inline Content copyContent(int fd) {
    return Content{{}, nullptr, {}, fd};
}
// True when the file at target (size bytes long) holds exactly what content would write.
bool holdsContent(FileSystem& files, const std::string& target, uint64_t size, const Content& content);
// Every line followed by lineEnd, in a string with room for `spare` more bytes.
std::string joinLines(const EntryList& lines, std::string_view lineEnd, size_t spare = 0);

FileFingerprint fingerprintOf(const PathInfo& info, uint64_t size, const ContentHash& hash);

// How writing a file went, and the path to name when it failed.
struct WriteOutcome {
    int error = 0;
    std::string failedPath;
    bool renameRefused = false; // a bind mount or another file system: rename cannot replace it
    bool changed = false;       // the target changed under us; nothing was replaced
    // An in-place rewrite failed and its old bytes could not be put back: the file holds neither.
    bool damaged = false;
    FileFingerprint written;
};

// Writes the content into a new file beside target and renames it over target. With keepOwner a new
// file that cannot get the target's owner is given up (EPERM). On failure nothing but the
// temporary file was touched, and it is gone.
WriteOutcome replaceAtomically(FileSystem& files, const std::string& target, const PathInfo& info,
                               const Content& content, bool keepOwner, const std::function<bool()>& stillSame,
                               bool syncFolder = true);
// Cuts target to nothing and writes the content into it, synced. No journal: see writeInPlaceJournaled.
WriteOutcome writeInPlace(FileSystem& files, const std::string& target, const Content& content);
// Rewrites target in place with the content behind a journal (HostsJournal.cpp).
WriteOutcome writeInPlaceJournaled(FileSystem& files, const std::string& target, const PathInfo& info,
                                   const Content& content, const std::function<bool()>& stillSame);

} // namespace velmora::saving
