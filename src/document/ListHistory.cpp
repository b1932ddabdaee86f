#include "document/ListHistory.h"

#include <algorithm>

namespace velmora {

namespace {
// Enough for any session of hand edits; past it the oldest changes go.
constexpr size_t kMaxChanges = 1000;
} // namespace

void ListHistory::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled)
        clear();
}

void ListHistory::clear() {
    m_done.clear();
    m_undone.clear();
    m_base = ++m_lastState;
}

ListHistory::Change& ListHistory::push(Change::Kind kind) {
    Change change;
    change.kind = kind;
    return push(std::move(change));
}

ListHistory::Change& ListHistory::push(Change change) {
    m_undone.clear();
    change.before = state();
    change.after = ++m_lastState;
    m_done.push_back(std::move(change));
    return m_done.back();
}

void ListHistory::keepWithinBounds() {
    m_largestList = std::max(m_largestList, m_list.memoryBytes());
    if (m_done.back().kind == Change::Kind::Replaced) {
        // One other version of the whole list at a time: the older one, and every change before it,
        // can no longer be reached.
        const auto older = std::find_if(m_done.rbegin() + 1, m_done.rend(),
                                        [](const Change& change) { return change.kind == Change::Kind::Replaced; });
        if (older != m_done.rend())
            m_done.erase(m_done.begin(), older.base());
    }
    size_t bytes = 0;
    for (const Change& change : m_done) {
        if (change.kind != Change::Kind::Replaced)
            bytes += change.bytes();
    }
    const size_t budget = std::max(m_minimumBudget, m_largestList);
    while (m_done.size() > 1 && (m_done.size() > kMaxChanges || bytes > budget)) {
        if (m_done.front().kind != Change::Kind::Replaced)
            bytes -= m_done.front().bytes();
        m_done.pop_front();
    }
    m_base = m_done.front().before;
}

void ListHistory::added(std::vector<int32_t> places) {
    if (!m_enabled || places.empty())
        return;
    push(Change::Kind::Added).places = std::move(places);
    keepWithinBounds();
}

bool ListHistory::remove(const std::vector<uint8_t>& flags) {
    const size_t n = std::min(flags.size(), static_cast<size_t>(m_list.count()));
    if (std::none_of(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(n), [](uint8_t f) { return f != 0; }))
        return false;
    if (!m_enabled) {
        m_list.removeWhere(flags);
        return true;
    }
    m_largestList = std::max(m_largestList, m_list.memoryBytes());
    // Noted only once the lines are out: a copy that runs out of memory leaves list and history as
    // they were.
    Change change;
    change.kind = Change::Kind::Removed;
    for (size_t i = 0; i < n; ++i) {
        if (flags[i])
            change.places.push_back(static_cast<int32_t>(i));
    }
    takeOut(change);
    push(std::move(change));
    keepWithinBounds();
    return true;
}

void ListHistory::reorder(std::vector<int32_t> order) {
    m_list.reorder(order);
    if (!m_enabled)
        return;
    Change& change = push(Change::Kind::Reordered);
    // Lines in another order are the same lines to save: a sort, its undo and its redo leave the
    // document as modified as it was.
    change.after = change.before;
    change.places = std::move(order);
    keepWithinBounds();
}

void ListHistory::replaceAll() {
    if (!m_enabled) {
        m_list.clear();
        return;
    }
    m_largestList = std::max(m_largestList, m_list.memoryBytes());
    m_list.swapEntries(push(Change::Kind::Replaced).lines);
    keepWithinBounds();
}

void ListHistory::takeOut(Change& change) {
    std::vector<uint8_t> flags(static_cast<size_t>(m_list.count()), 0);
    size_t bytes = 0;
    for (const int32_t place : change.places) {
        flags[static_cast<size_t>(place)] = 1;
        bytes += m_list.text(place).size() + 1;
    }
    change.lines.reserveBytes(bytes);
    change.lines.reserveEntries(change.places.size());
    for (const int32_t place : change.places)
        change.lines.append(m_list.text(place));
    m_list.removeWhere(flags);
}

bool ListHistory::putBack(Change& change, std::vector<int32_t>& restored) {
    if (!m_list.insertAt(change.places, change.lines))
        return false;
    restored = change.places;
    EntryList none;
    change.lines.swapEntries(none);
    return true;
}

bool ListHistory::apply(Change& change, bool back, std::vector<int32_t>& restored) {
    restored.clear();
    switch (change.kind) {
    case Change::Kind::Added:
        if (!back)
            return putBack(change, restored);
        takeOut(change);
        return true;
    case Change::Kind::Removed:
        if (back)
            return putBack(change, restored);
        takeOut(change);
        return true;
    case Change::Kind::Reordered:
        if (back) {
            std::vector<int32_t> inverse(change.places.size());
            for (size_t i = 0; i < change.places.size(); ++i)
                inverse[static_cast<size_t>(change.places[i])] = static_cast<int32_t>(i);
            m_list.reorder(inverse);
        } else {
            m_list.reorder(change.places);
        }
        return true;
    case Change::Kind::Replaced:
        m_list.swapEntries(change.lines);
        return true;
    }
    return false;
}

bool ListHistory::step(std::deque<Change>& from, std::deque<Change>& to, bool back, std::vector<int32_t>& restored) {
    if (from.empty() || !apply(from.back(), back, restored))
        return false;
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

bool ListHistory::takeBackTo(uint64_t target) {
    // Nothing goes to the changes to make again: a change made since `target` emptied them.
    std::vector<int32_t> restored;
    while (state() != target && !m_done.empty()) {
        if (!apply(m_done.back(), true, restored))
            return false;
        m_done.pop_back();
    }
    return state() == target;
}

bool ListHistory::undo(std::vector<int32_t>& restored) {
    return step(m_done, m_undone, true, restored);
}

bool ListHistory::redo(std::vector<int32_t>& restored) {
    return step(m_undone, m_done, false, restored);
}

} // namespace velmora
