#pragma once

#include "core/ByteArena.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Told just before entries of a list change other than by appending (removed, reordered, cleared), so
// that something holding entry numbers of the list can keep what they meant.
class EntryListDependent {
public:
    virtual ~EntryListDependent() = default;
    virtual void entriesWillChange() = 0;
};

// Numbered lines a view can show: a whole entry list, or a part of one.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual int32_t count() const = 0;
    // The text of a line, valid until the lines next change; empty for an index outside them.
    virtual std::string_view text(int32_t index) const = 0;
    // Watching lines does not change them, so a view may watch lines it cannot change.
    virtual void setObserver(EntryListObserver* observer) const = 0;
};

// An ordered list of lines held as bytes, exactly as added: any bytes, any length, duplicates and
// empty lines allowed. Numbered from 0; -1 means "no entry" wherever an index is returned.
// Texts live in one arena with an 8-byte slot per entry, so a million lines cost two allocations.
// Each text is followed there by an LF, so that a list kept in order is already the file it saves to.
class EntryList final : public LineSource {
public:
    // The most bytes a list's texts take in memory: what a slot can point at.
    static constexpr uint64_t kMaxBytes = (uint64_t{1} << 40) - 1;

    EntryList() = default;
    // A list that holds at most maxBytes (each text with its LF, and its length when long): a test
    // reaches a full list with kilobytes.
    explicit EntryList(uint64_t maxBytes) : m_maxBytes(std::min(maxBytes, kMaxBytes)) {}
    // A copy of a million lines is a real cost: lists move, and copy only through append.
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    EntryList(EntryList&&) noexcept = default;
    EntryList& operator=(EntryList&&) noexcept = default;
    ~EntryList() override = default;

    int32_t count() const override { return static_cast<int32_t>(m_slots.size()); }
    // Inline: a pass over a million lines (finding the blocks, looking up their names) calls it for each.
    std::string_view text(int32_t index) const override {
        if (index < 0 || index >= count())
            return {};
        return textOf(m_slots[static_cast<size_t>(index)]);
    }
    // The first entry equal to text with ASCII letter case ignored, or -1.
    int32_t findIgnoringCase(std::string_view text) const;

    // Adds at the end. False (and nothing added) when the list cannot hold more.
    bool append(std::string_view text);
    // Adds prefix + text as one entry, without putting them together first.
    bool append(std::string_view prefix, std::string_view text);
    // Calls onRun(bytes) for each run of consecutive entries, in order, whose texts lie one after
    // another in memory, each text followed by an LF: a list read or merged and not reordered is one
    // run. Together the runs are every text with an LF after it.
    template <typename OnRun> void forEachRun(OnRun&& onRun) const {
        const char* start = nullptr;
        const char* end = nullptr;
        for (const Slot slot : m_slots) {
            const std::string_view text = textOf(slot);
            if (text.data() != end) {
                if (start)
                    onRun(std::string_view(start, static_cast<size_t>(end - start)));
                start = text.data();
            }
            end = text.data() + text.size() + 1;
        }
        if (start)
            onRun(std::string_view(start, static_cast<size_t>(end - start)));
    }
    // Removes every entry whose flag in `remove` is set, in one pass, keeping the order of the rest.
    void removeWhere(const std::vector<uint8_t>& remove);
    void clear();
    // Puts the entries in the order given: entry i becomes the old entry order[i].
    void reorder(const std::vector<int32_t>& order);
    // Puts the entries of `lines` back among these, in one pass: lines' entry k becomes entry
    // places[k] of the result (places ascending, each at most the count so far). False, with nothing
    // changed, when the list cannot hold them.
    bool insertAt(const std::vector<int32_t>& places, const EntryList& lines);
    // Exchanges the entries of the two lists without copying any text; observers and dependents stay
    // with their list, and this one's are told.
    void swapEntries(EntryList& other);
    // Bytes the entries take in memory, texts and slots.
    size_t memoryBytes() const { return m_liveBytes + m_slots.size() * sizeof(Slot); }
    // The length of all texts together, without their line ends.
    uint64_t textBytes() const { return m_textBytes; }
    // Room for this many more bytes of text, so that a large file is not copied as it grows.
    void reserveBytes(size_t bytes);
    // Room for this many more entries.
    void reserveEntries(size_t entries);

    // Appends made between these two reach the observer as one notice.
    void beginAppend();
    void endAppend();
    // Everything between these two reaches the observer as one reset at the end.
    void beginBulkChange();
    void endBulkChange();

    void setObserver(EntryListObserver* observer) const override { m_observer = observer; }
    void setDependent(EntryListDependent* dependent) const { m_dependent = dependent; }

private:
    // Where an entry's text lies in the arena: offset in the high 40 bits, length in the low 24.
    // A text of kLongText bytes or more keeps its length in 8 bytes in front of it instead.
    using Slot = uint64_t;
    static constexpr uint64_t kLongText = 0xFFFFFF;

    Slot storeText(std::string_view prefix, std::string_view text);
    void willChange();
    size_t storedSize(Slot slot) const;
    std::string_view textOf(Slot slot) const {
        const uint64_t offset = slot >> 24;
        const uint64_t length = slot & kLongText;
        if (length != kLongText)
            return {m_arena.data() + offset, static_cast<size_t>(length)};
        uint64_t longLength = 0;
        std::memcpy(&longLength, m_arena.data() + offset, sizeof longLength);
        return {m_arena.data() + offset + sizeof longLength, static_cast<size_t>(longLength)};
    }
    void maybeCompact();
    void reset();

    uint64_t m_maxBytes = kMaxBytes;
    ByteArena m_arena;
    size_t m_liveBytes = 0;
    uint64_t m_textBytes = 0;
    std::vector<Slot, LargeAllocator<Slot>> m_slots;
    int32_t m_appendFirst = -1;
    int m_appendDepth = 0;
    bool m_bulk = false;
    mutable EntryListObserver* m_observer = nullptr;
    mutable EntryListDependent* m_dependent = nullptr;
};

// A run of entries of a list, shown as lines of their own: the lines a merge appended. It costs
// nothing while the list only grows; just before the list changes otherwise, it copies its texts and
// from then on holds them itself, so it shows the same lines whatever happens to the list.
class LineRange final : public LineSource, private EntryListDependent {
public:
    explicit LineRange(const EntryList& list);
    ~LineRange() override;
    LineRange(const LineRange&) = delete;
    LineRange& operator=(const LineRange&) = delete;

    // Now entries first .. first + count - 1 of the list; a view watching is told.
    void set(int32_t first, int32_t count);
    void clear() { set(0, 0); }
    // Now a copy of these lines, whatever happens to the list; a view watching is told.
    void setCopy(const LineSource& lines);
    // True once the texts were copied out of the list.
    bool holdsCopy() const { return m_copied; }
    // The list's entry number of the first line, while no copy is held.
    int32_t first() const { return m_first; }

    int32_t count() const override { return m_count; }
    std::string_view text(int32_t index) const override;
    void setObserver(EntryListObserver* observer) const override { m_observer = observer; }

private:
    void entriesWillChange() override;

    const EntryList& m_list;
    int32_t m_first = 0;
    int32_t m_count = 0;
    EntryList m_copy;
    bool m_copied = false;
    mutable EntryListObserver* m_observer = nullptr;
};

} // namespace velmora
