#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Receives notice of every change to an entry list, so that a view can follow it.
class EntryListObserver {
public:
    virtual ~EntryListObserver() = default;
    // The contents changed wholesale (clear, batch removal, bulk fill).
    virtual void entriesReset() = 0;
    // count entries were added at the end, starting at first.
    virtual void entriesAppended(int32_t first, int32_t count) = 0;
    // One entry was inserted at index (sorted lists).
    virtual void entryInserted(int32_t index) = 0;
    virtual void entryRemoved(int32_t index) = 0;
    // Selection flags or the current entry changed.
    virtual void selectionChanged() = 0;
    virtual void visibilityChanged(bool visible) = 0;
    virtual void scrollToEntry(int32_t index) = 0;
};

// An ordered list of byte strings, each with a selected flag and a 32-bit data word, numbered from 0.
// Texts are kept exactly as added: any bytes, any length, duplicates and empty texts allowed.
// Letter case is ignored for ASCII letters only in every search.
class EntryList {
public:
    // Three-way comparison used by sorted lists: negative, zero or positive.
    using Compare = std::function<int(std::string_view, std::string_view)>;

    explicit EntryList(bool sorted = false);

    bool isSorted() const { return m_sorted; }
    void setCompare(Compare compare);

    // The sixteen list operations. -1 means "no entry" in every result.
    int32_t selCount() const { return m_selCount; }
    // Greater than 0 when selected, 0 when not, -1 when index is outside the list.
    int32_t itemSelected(int32_t index) const;
    // value != 0 selects, 0 deselects; index -1 applies to every entry. A single entry that gets
    // selected becomes the current entry and is scrolled into view.
    void setItemSelected(int32_t index, int32_t value);
    int32_t currentIndex() const { return m_current; }
    // Deselects every entry, then selects index (which becomes current, -1 selects all).
    void setCurrentIndex(int32_t index);
    int32_t itemData(int32_t index) const;
    void setItemData(int32_t index, int32_t value);
    int32_t count() const { return static_cast<int32_t>(m_slots.size()); }
    void removeItem(int32_t index);
    // Adds at the end, or at the sort position in a sorted list (after equal entries).
    // Returns the new index, or -2 when the list is full.
    int32_t addItemText(std::string_view text);
    // The whole text; empty for an index outside the list.
    std::string itemText(int32_t index) const;
    int32_t findText(std::string_view prefix) const;
    int32_t findExactText(std::string_view text) const;
    int32_t selectText(std::string_view prefix);
    void unselectAll() { setItemSelected(-1, 0); }
    void selectAll() { setItemSelected(-1, 1); }

    // Fast access for the layers above; the view is valid until the next change of the list.
    std::string_view view(int32_t index) const;

    // Removes every entry.
    void clear();
    // Removes every entry whose flag in `remove` is set, in one pass; the visible result is that
    // of removing them one by one from the last to the first.
    void removeWhere(const std::vector<uint8_t>& remove);
    // Removes the entries [first, first + count).
    void removeRange(int32_t first, int32_t count);
    // Replaces the contents with the texts of `source` in the order given by `order`.
    void assignFrom(const EntryList& source, const std::vector<int32_t>& order);
    void reserve(size_t entries, size_t bytes);

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    // Appends many entries with a single notice; call endAppend when done.
    void beginAppend();
    void endAppend();

    // A view reports what the user selected: flags of [first, last] set, and the current entry, with
    // no notice back to the view.
    void applyViewSelection(int32_t first, int32_t last, bool selected);
    void applyViewCurrent(int32_t index);

    void setObserver(EntryListObserver* observer) { m_observer = observer; }
    const std::vector<uint8_t>& selectionFlags() const { return m_selected; }

private:
    // Where an entry's text lies in the arena: offset in the high 40 bits, length in the low 24.
    // A text of kLongText bytes or more keeps its length in 8 bytes in front of it instead.
    using Slot = uint64_t;
    static constexpr uint64_t kLongText = 0xFFFFFF;

    Slot storeText(std::string_view text);
    size_t storedSize(Slot slot) const;
    std::string_view textOf(Slot slot) const;
    void appendSlot(std::string_view text);
    void maybeCompact();
    // Empties the list without telling the observer.
    void dropContents();

    bool m_sorted;
    bool m_visible = true;
    Compare m_compare;
    std::string m_arena;
    size_t m_liveBytes = 0;
    std::vector<Slot> m_slots;
    std::vector<uint8_t> m_selected;
    std::vector<int32_t> m_data; // empty while every data word is 0
    int32_t m_selCount = 0;
    int32_t m_current = -1;
    int32_t m_appendFirst = -1;
    int m_appendDepth = 0;
    EntryListObserver* m_observer = nullptr;
};

} // namespace velmora
