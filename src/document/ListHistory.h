#pragma once

#include "core/EntryList.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace velmora {

// The changes made to an entry list, to take them back and make them again. Each change is made
// through the history, which keeps only what the list no longer has: the lines a deletion took out
// and their places, the places of lines added (their texts once the addition is taken back), the order
// of a sort, and for a wholesale replacement the other version of the list, moved rather than copied.
// At most one such other version is kept, and the rest stays within about one copy of the largest
// list seen; the oldest changes go first.
class ListHistory {
public:
    // What the history may always hold, however small the list; a larger list lets it hold as much as
    // that list takes.
    static constexpr size_t kMinimumBudget = size_t{64} << 20;

    explicit ListHistory(EntryList& list, size_t minimumBudget = kMinimumBudget)
        : m_list(list), m_minimumBudget(minimumBudget) {}

    // Off: changes are made and forgotten (the command line never takes one back).
    void setEnabled(bool enabled);
    bool enabled() const { return m_enabled; }

    // The lines at places (ascending) were just added.
    void added(std::vector<int32_t> places);
    // Removes the lines whose flags are set; false when none was.
    bool remove(const std::vector<uint8_t>& flags);
    // Puts the lines in the order given (see EntryList::reorder).
    void reorder(std::vector<int32_t> order);
    // Empties the list for new contents, keeping the old ones to go back to.
    void replaceAll();

    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // Take back the last change, or make the last one taken back again. The lines a step put back
    // are set in `restored` (ascending), empty otherwise. False when there was nothing to do.
    bool undo(std::vector<int32_t>& restored);
    bool redo(std::vector<int32_t>& restored);

    // Names the list's contents: equal numbers mean the same lines, in the same order unless the lines
    // were put in another order (a reorder keeps the number), so that a document can tell whether
    // undoing led back to what it saved.
    uint64_t state() const { return m_done.empty() ? m_base : m_done.back().after; }
    // Takes back, for good, every change made since the contents had the state `target` (an operation
    // that failed part way). False when one of them can no longer be taken back, or the state is older
    // than the history.
    bool takeBackTo(uint64_t target);
    // Forgets every change; the contents now get a new state.
    void clear();

private:
    struct Change {
        enum class Kind { Added, Removed, Reordered, Replaced };
        Kind kind = Kind::Added;
        // Added and Removed: the lines' numbers in the list that has them; Reordered: the order.
        std::vector<int32_t> places;
        // The lines the list lacks while the change stands as it is (see the class comment).
        EntryList lines;
        uint64_t before = 0;
        uint64_t after = 0;
        size_t bytes() const { return places.size() * sizeof(int32_t) + lines.memoryBytes(); }
    };

    Change& push(Change::Kind kind);
    Change& push(Change change);
    void keepWithinBounds();
    bool step(std::deque<Change>& from, std::deque<Change>& to, bool back, std::vector<int32_t>& restored);
    bool apply(Change& change, bool back, std::vector<int32_t>& restored);
    void takeOut(Change& change);
    bool putBack(Change& change, std::vector<int32_t>& restored);

    EntryList& m_list;
    size_t m_minimumBudget;
    bool m_enabled = true;
    std::deque<Change> m_done;
    std::deque<Change> m_undone;
    uint64_t m_base = 0;
    uint64_t m_lastState = 0;
    size_t m_largestList = 0;
};

} // namespace velmora
