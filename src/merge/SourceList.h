#pragma once

#include "core/EntryList.h"
#include "core/LineText.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The stored HOSTS form of one source-list line that has had its spaces trimmed and is not empty.
// Rules, first match wins, all with letter case: "127.1 " kept; "127.0.0.1 " + rest with its
// leading spaces dropped; "127.0.0.1" + tab + rest likewise with one space for the tab; a first
// character outside [0-9#;] gets "127.0.0.1 " in front; anything else is kept.
// Returns a view of line or of scratch.
std::string_view normaliseLine(std::string_view line, std::string& scratch);

// The duplicate index of one merge: a set of entries of one list, keyed by their whole text with ASCII
// letter case folded (A-Z equals a-z; other bytes compare as themselves). Open addressing over entry
// numbers, so keys are the list's own stored text and cost no copies. Average constant time per line.
class DuplicateIndex {
public:
    explicit DuplicateIndex(const EntryList& list);

    // Room for this many keys in all without growing.
    void reserve(size_t keys);

    // True when a key equal to text (case folded) is present.
    bool contains(std::string_view text) const;
    // Enters entry `index` of the list; false (and nothing entered) when its key is already present.
    bool add(int32_t index);
    // Enters the text that will be entry `index` of the list once appended; false when present.
    bool addPending(std::string_view text, int32_t index);
    size_t size() const { return m_size; }

private:
    static uint32_t hash(std::string_view text);
    void rehash(size_t slots);
    bool insert(std::string_view text, uint32_t h, int32_t index);

    const EntryList& m_list;
    std::vector<int32_t> m_slots;   // entry number, -1 when free
    std::vector<uint32_t> m_hashes; // each key's hash, so growing never reads the texts again
    size_t m_size = 0;
    size_t m_mask = 0;
};

// Takes the lines of a source list one at a time into the HOSTS list: each is trimmed of spaces, blank
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
};

// The same for a whole text in memory; onLine(length as read) is called before each line.
// Returns the number of lines appended.
int32_t readSourceLines(std::string_view bytes, LineConvention convention, EntryList& hosts, EntryList* added,
                        DuplicateIndex& index, const std::function<void(int32_t)>& onLine);

// Enters every line of hosts that does not begin with "#" into index, unaltered; a line already
// present is left alone. onLine is called once per line.
void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, const std::function<void()>& onLine);

} // namespace velmora
