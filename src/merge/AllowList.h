#pragma once

#include "core/UserInterface.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace velmora {

// Host names that a merge or an update never adds, whatever list names them, letter case ignored: a
// name as it is, "*.name" for every name under it, "||name^" for the name and every name under it.
class AllowList {
public:
    // The entries of text: one or more to a line, separated by spaces or tabs, "#" starting a comment.
    // Addresses are skipped, so a line written as in HOSTS ("127.0.0.1 name") names its names. Each
    // field that is none of these is left out and described in problems ("line 3: ...").
    void addText(std::string_view text, std::vector<std::string>* problems = nullptr);
    // False, with nothing added, for a field that is no entry.
    bool add(std::string_view entry);
    bool empty() const { return m_names.empty() && m_under.empty() && m_withUnder.empty(); }
    size_t size() const { return m_names.size() + m_under.size() + m_withUnder.size(); }
    // True when the name (in any letter case) is allowed.
    bool allows(std::string_view name) const;
    // True when any field of the line before a "#" is allowed.
    bool keepsOut(std::string_view prefix, std::string_view rest) const;
    // The entries as one text, the same for the same entries however and in whatever order they were
    // added: two allowlists keep out the same names when these are equal.
    std::string entries() const;

private:
    std::unordered_set<std::string> m_names;     // in lower case
    std::unordered_set<std::string> m_under;     // "*.name": the names under these
    std::unordered_set<std::string> m_withUnder; // "||name^": these and the names under them
    mutable std::string m_lowered;
};

// Where the allowlist is when none is named: /etc/velmora/allow.txt (%ProgramData%\velmora\allow.txt
// on Windows).
std::string defaultAllowListPath(Environment& environment);

// The allowlist file read, or the one that could not be.
struct AllowListFile {
    std::string path;                  // empty when there was none to read
    int error = 0;                     // errno of a named file that could not be read; allow is then left as it was
    std::string refusal;               // why a run as root did not read it (see CheckedRead); allow is left as it was
    std::vector<std::string> problems; // the fields that are no entry, by line
};
// Reads into allow the file named (a command line's), else the one VELMORA_ALLOW names, else the
// default one when it is there. A named file must be there; a missing default is no allowlist. A run
// as root reads none that another user could change or swap.
AllowListFile loadAllowList(FileSystem& files, Environment& environment, const std::string& named, AllowList& allow);

// Tells the user, in one notice, which lines of the allowlist were left out; nothing when none was.
void tellAllowListProblems(UserInterface& ui, const AllowListFile& read);

} // namespace velmora
