#include "core/EntryList.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace velmora {

namespace {
constexpr size_t kMaxEntries = static_cast<size_t>(std::numeric_limits<int32_t>::max());
constexpr uint64_t kMaxOffset = (uint64_t{1} << 40) - 1;
// Removed texts stay in the arena until they make up half of it.
constexpr size_t kCompactThreshold = 1 << 20;
} // namespace

EntryList::EntryList(bool sorted) : m_sorted(sorted), m_compare(icompare) {}

void EntryList::setCompare(Compare compare) { m_compare = compare ? std::move(compare) : Compare(icompare); }

EntryList::Slot EntryList::storeText(std::string_view text) {
    const uint64_t offset = m_arena.size();
    if (text.size() < kLongText) {
        m_arena.append(text);
        return (offset << 24) | text.size();
    }
    const uint64_t length = text.size();
    m_arena.append(reinterpret_cast<const char*>(&length), sizeof length);
    m_arena.append(text);
    return (offset << 24) | kLongText;
}

size_t EntryList::storedSize(Slot slot) const {
    const std::string_view text = textOf(slot);
    return text.size() + ((slot & kLongText) == kLongText ? sizeof(uint64_t) : 0);
}

std::string_view EntryList::textOf(Slot slot) const {
    const uint64_t offset = slot >> 24;
    const uint64_t length = slot & kLongText;
    if (length != kLongText)
        return {m_arena.data() + offset, static_cast<size_t>(length)};
    uint64_t longLength = 0;
    std::memcpy(&longLength, m_arena.data() + offset, sizeof longLength);
    return {m_arena.data() + offset + sizeof longLength, static_cast<size_t>(longLength)};
}

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
    return m_data.empty() ? 0 : m_data[static_cast<size_t>(index)];
}

void EntryList::setItemData(int32_t index, int32_t value) {
    if (index < 0 || index >= count() || (m_data.empty() && value == 0))
        return;
    if (m_data.empty())
        m_data.assign(m_slots.size(), 0);
    m_data[static_cast<size_t>(index)] = value;
}

void EntryList::removeItem(int32_t index) {
    if (index < 0 || index >= count())
        return;
    const auto i = static_cast<size_t>(index);
    m_liveBytes -= storedSize(m_slots[i]);
    m_selCount -= m_selected[i];
    m_slots.erase(m_slots.begin() + index);
    m_selected.erase(m_selected.begin() + index);
    if (!m_data.empty())
        m_data.erase(m_data.begin() + index);
    if (m_current > index || m_current >= count())
        --m_current;
    if (m_observer)
        m_observer->entryRemoved(index);
    maybeCompact();
}

void EntryList::appendSlot(std::string_view text) {
    m_slots.push_back(storeText(text));
    m_liveBytes += storedSize(m_slots.back());
    m_selected.push_back(0);
    if (!m_data.empty())
        m_data.push_back(0);
}

int32_t EntryList::addItemText(std::string_view text) {
    if (m_slots.size() >= kMaxEntries || m_arena.size() + text.size() + sizeof(uint64_t) > kMaxOffset)
        return -2;
    if (!m_sorted) {
        appendSlot(text);
        const int32_t index = count() - 1;
        if (m_appendDepth == 0 && m_observer)
            m_observer->entriesAppended(index, 1);
        return index;
    }
    // Sorted: after every entry that compares equal or less, so equal entries keep their order.
    auto pos = std::upper_bound(m_slots.begin(), m_slots.end(), text,
                                [this](std::string_view t, Slot s) { return m_compare(t, textOf(s)) < 0; });
    const auto index = static_cast<int32_t>(pos - m_slots.begin());
    const Slot slot = storeText(text);
    m_liveBytes += storedSize(slot);
    m_slots.insert(m_slots.begin() + index, slot);
    m_selected.insert(m_selected.begin() + index, 0);
    if (!m_data.empty())
        m_data.insert(m_data.begin() + index, 0);
    if (m_current >= index)
        ++m_current;
    if (m_observer)
        m_observer->entryInserted(index);
    return index;
}

std::string_view EntryList::view(int32_t index) const {
    if (index < 0 || index >= count())
        return {};
    return textOf(m_slots[static_cast<size_t>(index)]);
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

void EntryList::dropContents() {
    m_slots.clear();
    m_selected.clear();
    m_data.clear();
    m_arena.clear();
    m_liveBytes = 0;
    m_selCount = 0;
    m_current = -1;
}

void EntryList::clear() {
    dropContents();
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
            m_liveBytes -= storedSize(m_slots[i]);
            m_selCount -= m_selected[i];
            if (m_current >= 0 && static_cast<size_t>(m_current) > i)
                --newCurrent;
            continue;
        }
        m_slots[out] = m_slots[i];
        m_selected[out] = m_selected[i];
        if (!m_data.empty())
            m_data[out] = m_data[i];
        ++out;
    }
    if (!any)
        return;
    m_slots.resize(out);
    m_selected.resize(out);
    if (!m_data.empty())
        m_data.resize(out);
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
    dropContents();
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
        const std::string_view text = textOf(s);
        const uint64_t offset = fresh.size();
        const size_t prefix = (s & kLongText) == kLongText ? sizeof(uint64_t) : 0;
        fresh.append(text.data() - prefix, text.size() + prefix);
        s = (offset << 24) | (s & kLongText);
    }
    m_arena.swap(fresh);
}

} // namespace velmora
