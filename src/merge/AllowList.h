#pragma once

#include "core/LineText.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace velmora {

// Host names that a merge or an update never adds, whatever list names them, letter case ignored.
class AllowList {
public:
    // The names in text: one or more to a line, separated by spaces or tabs, "#" starting a comment.
    // Addresses are skipped, so a line written as in HOSTS ("127.0.0.1 name") names its names.
    void addText(std::string_view text);
    void add(std::string_view name);
    bool empty() const { return m_names.empty(); }
    size_t size() const { return m_names.size(); }
    // True when any field of the line before a "#" is one of the names.
    bool keepsOut(std::string_view prefix, std::string_view rest) const;

private:
    bool named(std::string_view field) const;

    std::unordered_set<std::string> m_names; // in lower case
    mutable std::string m_lowered;
};

// Where the allowlist is when none is named: /etc/velmora/allow.txt (%ProgramData%\velmora\allow.txt
// on Windows).
std::string defaultAllowListPath(Environment& environment);

// The allowlist file read, or the one that could not be.
struct AllowListFile {
    std::string path; // empty when there was none to read
    int error = 0;    // errno of a named file that could not be read; allow is then left as it was
};
// Reads into allow the file named (a command line's), else the one VELMORA_ALLOW names, else the
// default one when it is there. A named file must be there; a missing default is no allowlist.
AllowListFile loadAllowList(FileSystem& files, Environment& environment, const std::string& named, AllowList& allow);

} // namespace velmora
