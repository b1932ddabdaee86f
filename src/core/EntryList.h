#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Told of every change to an entry list, so that a view can follow it.
class EntryListObserver {
public:
    virtual ~EntryListObserver() = default;
    // The contents changed wholesale (cleared, reordered, lines removed, a bulk change ended).
    virtual void entriesReset() = 0;
    // count entries were added at the end, starting at first.
    virtual void entriesAppended(int32_t first, int32_t count) = 0;
    // A bulk change began (true) or ended (false); in between the list sends no other notice, and an
    // end is followed by entriesReset.
    virtual void bulkChange(bool running) = 0;
};

// An ordered list of lines held as bytes, exactly as added: any bytes, any length, duplicates and
// empty lines allowed. Numbered from 0; -1 means "no entry" wherever an index is returned.
// Texts live in one arena with an 8-byte slot per entry, so a million lines cost two allocations.
class EntryList {
public:
    int32_t count() const { return static_cast<int32_t>(m_slots.size()); }
    // The text of an entry, valid until the list next changes; empty for an index outside the list.
    std::string_view text(int32_t index) const;
    // The first entry equal to text with ASCII letter case ignored, or -1.
    int32_t findIgnoringCase(std::string_view text) const;

    // Adds at the end. False (and nothing added) when the list cannot hold more.
    bool append(std::string_view text);
    // Removes every entry whose flag in `remove` is set, in one pass, keeping the order of the rest.
    void removeWhere(const std::vector<uint8_t>& remove);
    void clear();
    // Puts the entries in the order given: entry i becomes the old entry order[i].
    void reorder(const std::vector<int32_t>& order);
    // Room for this many more bytes of text, so that a large file is not copied as it grows.
    void reserveBytes(size_t bytes);

    // Appends made between these two reach the observer as one notice.
    void beginAppend();
    void endAppend();
    // Everything between these two reaches the observer as one reset at the end.
    void beginBulkChange();
    void endBulkChange();

    // Watching a list does not change it, so a view may watch one it cannot change.
    void setObserver(EntryListObserver* observer) const { m_observer = observer; }

private:
    // Where an entry's text lies in the arena: offset in the high 40 bits, length in the low 24.
    // A text of kLongText bytes or more keeps its length in 8 bytes in front of it instead.
    using Slot = uint64_t;
    static constexpr uint64_t kLongText = 0xFFFFFF;

    Slot storeText(std::string_view text);
    size_t storedSize(Slot slot) const;
    std::string_view textOf(Slot slot) const;
    void maybeCompact();
    void reset();

    std::string m_arena;
    size_t m_liveBytes = 0;
    std::vector<Slot> m_slots;
    int32_t m_appendFirst = -1;
    int m_appendDepth = 0;
    bool m_bulk = false;
    mutable EntryListObserver* m_observer = nullptr;
};

} // namespace velmora
