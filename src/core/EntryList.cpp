#include "core/EntryList.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {
constexpr size_t kMaxEntries = static_cast<size_t>(std::numeric_limits<int32_t>::max());
// Removed texts stay in the arena until they make up half of it.
constexpr size_t kCompactThreshold = 1 << 20;
} // namespace

EntryList::EntryList(bool sorted) : m_sorted(sorted), m_compare(icompare) {}

void EntryList::setCompare(Compare compare) { m_compare = compare ? std::move(compare) : Compare(icompare); }

int32_t EntryList::itemSelected(int32_t index) const {
    if (index < 0 || index >= count())
        return -1;
    return m_selected[static_cast<size_t>(index)] ? 1 : 0;
}

void EntryList::setItemSelected(int32_t index, int32_t value) {
    const uint8_t flag = value != 0 ? 1 : 0;
    if (index == -1) {
        std::fill(m_selected.begin(), m_selected.end(), flag);
        m_selCount = flag ? count() : 0;
    } else if (index >= 0 && index < count()) {
        uint8_t& f = m_selected[static_cast<size_t>(index)];
        m_selCount += static_cast<int32_t>(flag) - static_cast<int32_t>(f);
        f = flag;
        if (flag)
            m_current = index;
    } else {
        return;
    }
    if (m_observer) {
        m_observer->selectionChanged();
        if (index >= 0)
            m_observer->scrollToEntry(index);
    }
}

void EntryList::setCurrentIndex(int32_t index) {
    setItemSelected(-1, 0);
    setItemSelected(index, 1);
}

int32_t EntryList::itemData(int32_t index) const {
    if (index < 0 || index >= count())
        return -1;
    return m_slots[static_cast<size_t>(index)].data;
}

void EntryList::setItemData(int32_t index, int32_t value) {
    if (index >= 0 && index < count())
        m_slots[static_cast<size_t>(index)].data = value;
}

void EntryList::removeItem(int32_t index) {
    if (index < 0 || index >= count())
        return;
    const auto i = static_cast<size_t>(index);
    m_liveBytes -= m_slots[i].length;
    m_selCount -= m_selected[i];
    m_slots.erase(m_slots.begin() + index);
    m_selected.erase(m_selected.begin() + index);
    if (m_current > index || m_current >= count())
        --m_current;
    if (m_observer)
        m_observer->entryRemoved(index);
    maybeCompact();
}

void EntryList::appendSlot(std::string_view text) {
    m_slots.push_back(Slot{m_arena.size(), static_cast<uint32_t>(text.size()), 0});
    m_arena.append(text);
    m_liveBytes += text.size();
    m_selected.push_back(0);
}

int32_t EntryList::addItemText(std::string_view text) {
    if (m_slots.size() >= kMaxEntries || text.size() > std::numeric_limits<uint32_t>::max())
        return -2;
    if (!m_sorted) {
        appendSlot(text);
        const int32_t index = count() - 1;
        if (m_appendDepth == 0 && m_observer)
            m_observer->entriesAppended(index, 1);
        return index;
    }
    // Sorted: after every entry that compares equal or less, so equal entries keep their order.
    auto pos = std::upper_bound(m_slots.begin(), m_slots.end(), text, [this](std::string_view t, const Slot& s) {
        return m_compare(t, std::string_view(m_arena.data() + s.offset, s.length)) < 0;
    });
    const auto index = static_cast<int32_t>(pos - m_slots.begin());
    Slot slot{m_arena.size(), static_cast<uint32_t>(text.size()), 0};
    m_arena.append(text);
    m_liveBytes += text.size();
    m_slots.insert(pos, slot);
    m_selected.insert(m_selected.begin() + index, 0);
    if (m_current >= index)
        ++m_current;
    if (m_observer)
        m_observer->entryInserted(index);
    return index;
}

std::string_view EntryList::view(int32_t index) const {
    if (index < 0 || index >= count())
        return {};
    const Slot& s = m_slots[static_cast<size_t>(index)];
    return {m_arena.data() + s.offset, s.length};
}

std::string EntryList::itemText(int32_t index) const { return std::string(view(index)); }

int32_t EntryList::findText(std::string_view prefix) const {
    for (int32_t i = 0; i < count(); ++i) {
        if (istartsWith(view(i), prefix))
            return i;
    }
    return -1;
}

int32_t EntryList::findExactText(std::string_view text) const {
    for (int32_t i = 0; i < count(); ++i) {
        if (iequals(view(i), text))
            return i;
    }
    return -1;
}

int32_t EntryList::selectText(std::string_view prefix) {
    const int32_t index = findText(prefix);
    if (index >= 0)
        setCurrentIndex(index);
    return index;
}

void EntryList::clear() {
    m_slots.clear();
    m_selected.clear();
    m_arena.clear();
    m_liveBytes = 0;
    m_selCount = 0;
    m_current = -1;
    if (m_observer)
        m_observer->entriesReset();
}

void EntryList::removeWhere(const std::vector<uint8_t>& remove) {
    const size_t n = std::min(remove.size(), m_slots.size());
    size_t out = 0;
    int32_t newCurrent = m_current;
    bool any = false;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (i < n && remove[i]) {
            any = true;
            m_liveBytes -= m_slots[i].length;
            m_selCount -= m_selected[i];
            if (m_current >= 0 && static_cast<size_t>(m_current) > i)
                --newCurrent;
            continue;
        }
        m_slots[out] = m_slots[i];
        m_selected[out] = m_selected[i];
        ++out;
    }
    if (!any)
        return;
    m_slots.resize(out);
    m_selected.resize(out);
    m_current = std::min(newCurrent, count() - 1);
    if (m_observer)
        m_observer->entriesReset();
    maybeCompact();
}

void EntryList::removeRange(int32_t first, int32_t n) {
    if (first < 0 || n <= 0 || first >= count())
        return;
    std::vector<uint8_t> remove(m_slots.size(), 0);
    std::fill(remove.begin() + first, remove.begin() + std::min<int64_t>(int64_t{first} + n, count()), 1);
    removeWhere(remove);
}

void EntryList::assignFrom(const EntryList& source, const std::vector<int32_t>& order) {
    m_slots.clear();
    m_selected.clear();
    m_arena.clear();
    m_liveBytes = 0;
    m_selCount = 0;
    m_current = -1;
    m_arena.reserve(source.m_liveBytes);
    m_slots.reserve(order.size());
    for (int32_t i : order)
        appendSlot(source.view(i));
    if (m_observer)
        m_observer->entriesReset();
}

void EntryList::reserve(size_t entries, size_t bytes) {
    m_slots.reserve(m_slots.size() + entries);
    m_selected.reserve(m_selected.size() + entries);
    m_arena.reserve(m_arena.size() + bytes);
}

void EntryList::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (m_observer)
        m_observer->visibilityChanged(visible);
}

void EntryList::beginAppend() {
    if (m_appendDepth++ == 0)
        m_appendFirst = count();
}

void EntryList::endAppend() {
    if (m_appendDepth == 0 || --m_appendDepth > 0)
        return;
    if (m_observer && count() > m_appendFirst)
        m_observer->entriesAppended(m_appendFirst, count() - m_appendFirst);
}

void EntryList::applyViewSelection(int32_t first, int32_t last, bool selected) {
    first = std::max(first, 0);
    last = std::min(last, count() - 1);
    for (int32_t i = first; i <= last; ++i) {
        uint8_t& f = m_selected[static_cast<size_t>(i)];
        m_selCount += static_cast<int32_t>(selected) - static_cast<int32_t>(f);
        f = selected ? 1 : 0;
    }
}

void EntryList::applyViewCurrent(int32_t index) {
    if (index >= -1 && index < count())
        m_current = index;
}

void EntryList::maybeCompact() {
    const size_t garbage = m_arena.size() - m_liveBytes;
    if (garbage < kCompactThreshold || garbage < m_arena.size() / 2)
        return;
    std::string fresh;
    fresh.reserve(m_liveBytes);
    for (Slot& s : m_slots) {
        const uint64_t offset = fresh.size();
        fresh.append(m_arena, s.offset, s.length);
        s.offset = offset;
    }
    m_arena.swap(fresh);
}

} // namespace velmora
