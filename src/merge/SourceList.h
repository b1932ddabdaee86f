#pragma once

#include "core/EntryList.h"
#include "core/HostsFile.h"
#include "core/LineText.h"
#include "core/UserInterface.h"
#include "merge/AllowList.h"
#include "merge/DuplicateIndex.h"
#include "merge/Normalise.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Takes the lines of a source list one at a time into the HOSTS list: a UTF-8 byte-order mark at the
// start of a line is dropped (it is no text of the list), each line is trimmed of spaces, blank lines
// skipped, normalised (see normaliseLine); a line not beginning with "#" that is already in the index is dropped,
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
    // True when a comment taken looks like a block marker ("#BEGIN of ", "#END of ", any letter case).
    bool sawMarkers() const { return m_sawMarkers; }

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
    bool m_sawMarkers = false;
};

// The same for a whole text in memory. Returns the number of lines appended.
int32_t readSourceText(std::string_view bytes, EntryList& hosts, DuplicateIndex& index);

// What reading a file by the source-list rules did.
struct SourceReadResult {
    int32_t appended = 0;
    int32_t keptOut = 0; // lines the allowlist kept out
    int error = 0;       // errno of a read that failed or ended early; 0 when the file was read to its end
    std::string problem; // what was wrong with a list that is no errno's to say (its gzip data), or empty
};

// The most text a list in a gzip file may hold.
inline constexpr uint64_t kListTextLimit = uint64_t{512} << 20;

// Reads the file at path through a SourceListReader, with a progress step per block read (by its
// length, against the file's size). The index and hosts are sized for the file's lines once, from the
// first block. With allow, keeps out the lines that name its hosts. A list from elsewhere (asList) may
// be gzip data, and has its source notes and its marker lines that do not pair up dropped.
SourceReadResult readSourceFile(FileSystem& files, const std::string& path, EntryList& hosts, DuplicateIndex& index,
                                ProgressSink& progress, const AllowList* allow = nullptr, bool asList = false);

// Enters every line of hosts into index under its key (see DuplicateIndex::addExisting), leaving every
// line as it is written: a list line that a HOSTS line already holds is then not added again. One
// progress step per line.
void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress);

} // namespace velmora
