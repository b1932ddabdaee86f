#pragma once

#include "core/EntryList.h"
#include "core/HostsFile.h"
#include "core/LineText.h"
#include "core/UserInterface.h"
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

// The stored HOSTS form of one source-list line that has had its spaces trimmed and is not empty.
// Rules, first match wins, all with letter case: "127.1 " kept; "127.0.0.1 " + rest with its
// leading spaces dropped; "127.0.0.1" + tab + rest likewise with one space for the tab; a line whose
// first field (up to a space or tab) is an IPv6 address kept; a first character outside [0-9#;]
// gets "127.0.0.1 " in front; anything else is kept.
// Returns a view of line or of scratch.
std::string_view normaliseLine(std::string_view line, std::string& scratch);

// Takes the lines of a source list one at a time into the HOSTS list: a UTF-8 byte-order mark at the
// start of the first line is dropped (it is no text of the list), each line is trimmed of spaces, blank
// lines skipped, normalised; a line not beginning with "#" that is already in the index is dropped,
// else entered; the kept line is appended to hosts and, when given, to added. The lists are told of
// the appended lines once, by finish().
class SourceListReader {
public:
    SourceListReader(EntryList& hosts, EntryList* added, DuplicateIndex& index);
    void line(std::string_view raw);
    void finish();
    int32_t appended() const { return m_appended; }

private:
    EntryList& m_hosts;
    EntryList* m_added;
    DuplicateIndex& m_index;
    std::string m_scratch;
    int32_t m_appended = 0;
    bool m_atStart = true;
};

// The same for a whole text in memory. Returns the number of lines appended.
int32_t readSourceText(std::string_view bytes, LineConvention convention, EntryList& hosts, EntryList* added,
                       DuplicateIndex& index);

// What reading a file by the source-list rules did.
struct SourceReadResult {
    int32_t appended = 0;
    int error = 0; // errno of a read that failed or ended early; 0 when the file was read to its end
};

// Reads the file at path line by line through a SourceListReader, with one progress step per line
// (by its length, against the file's size). With fingerprint, notes which file was read and what it held.
SourceReadResult readSourceFile(FileSystem& files, const std::string& path, LineConvention convention, EntryList& hosts,
                                EntryList* added, DuplicateIndex& index, ProgressSink& progress,
                                FileFingerprint* fingerprint = nullptr);

// Enters every line of hosts that does not begin with "#" into index, unaltered; a line already
// present is left alone. One progress step per line.
void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress);

} // namespace velmora
