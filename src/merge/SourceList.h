#pragma once

#include "core/EntryList.h"
#include "core/HostsFile.h"
#include "core/LineText.h"
#include "core/UserInterface.h"
#include "merge/AllowList.h"
#include "merge/DuplicateIndex.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// True when text is an IPv6 address in its text form ("::1", "fe80::1", "::ffff:10.0.0.1"), with
// an optional zone after "%" ("fe80::1%lo0"): the forms the system's own address parser accepts.
bool isIpv6Address(std::string_view text);

// The stored HOSTS form of one source-list line that has had its spaces trimmed and is not empty, as
// prefix + rest. Rules, first match wins, all with letter case: "127.1 " kept; "127.0.0.1 " + rest with
// its leading spaces dropped; "127.0.0.1" + tab + rest likewise with one space for the tab; a line
// whose first field (up to a space or tab) is an IPv6 address kept; a first character outside [0-9#;]
// gets "127.0.0.1 " in front; anything else is kept.
struct NormalisedLine {
    std::string_view prefix;
    std::string_view rest;
};
NormalisedLine normaliseLine(std::string_view line);

// Takes the lines of a source list one at a time into the HOSTS list: a UTF-8 byte-order mark at the
// start of the first line is dropped (it is no text of the list), each line is trimmed of spaces, blank
// lines skipped, normalised; a line not beginning with "#" that is already in the index is dropped,
// else entered; the kept line is appended to hosts. The lines appended are the entries from
// firstAppended() on; the list is told of them once, by finish().
//
// Lines are looked up a few behind the one given, so that their index slots are fetched ahead: a
// line's bytes must stay valid until flush() (or finish()), which takes every line given so far.
class SourceListReader {
public:
    SourceListReader(EntryList& hosts, DuplicateIndex& index);
    void line(std::string_view raw);
    void flush();
    void finish();
    int32_t firstAppended() const { return m_first; }
    int32_t appended() const { return m_appended; }
    // Lines naming a host of allow are dropped before the index sees them, and counted.
    void setAllowList(const AllowList* allow) { m_allow = allow && !allow->empty() ? allow : nullptr; }
    // Drops the lines that would name a block's source ("# source: ..."): a list merged from elsewhere
    // must not choose what a later update of every block reads (a file of root's, say).
    void setDropsSourceNotes(bool drop) { m_dropSourceNotes = drop; }
    int32_t keptOut() const { return m_keptOut; }

private:
    static constexpr int kAhead = 8;
    struct Pending {
        DuplicateIndex::Key key;
        bool comment = false;
    };
    void store(const Pending& line);

    EntryList& m_hosts;
    DuplicateIndex& m_index;
    Pending m_pending[kAhead];
    int m_oldest = 0;
    int m_waiting = 0;
    int32_t m_first = 0;
    int32_t m_appended = 0;
    int32_t m_keptOut = 0;
    const AllowList* m_allow = nullptr;
    bool m_dropSourceNotes = false;
    bool m_atStart = true;
};

// The same for a whole text in memory. Returns the number of lines appended.
int32_t readSourceText(std::string_view bytes, LineConvention convention, EntryList& hosts, DuplicateIndex& index);

// What reading a file by the source-list rules did.
struct SourceReadResult {
    int32_t appended = 0;
    int32_t keptOut = 0; // lines the allowlist kept out
    int error = 0;       // errno of a read that failed or ended early; 0 when the file was read to its end
};

// Reads the file at path through a SourceListReader, with one progress step per line (by its length,
// against the file's size). With fingerprint, notes which file was read and what it held; with allow,
// keeps out the lines that name its hosts; a list from elsewhere (asList) has its source notes dropped.
SourceReadResult readSourceFile(FileSystem& files, const std::string& path, LineConvention convention, EntryList& hosts,
                                DuplicateIndex& index, ProgressSink& progress, FileFingerprint* fingerprint = nullptr,
                                const AllowList* allow = nullptr, bool asList = false);

// Enters every line of hosts that does not begin with "#" into index, unaltered; a line already
// present is left alone. One progress step per line.
void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress);

} // namespace velmora
