#include "core/EntryList.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace velmora {

namespace {
constexpr size_t kMaxEntries = static_cast<size_t>(std::numeric_limits<int32_t>::max());
// Removed texts stay in the arena until they make up half of it.
constexpr size_t kCompactThreshold = 1 << 20;
} // namespace

EntryList::Slot EntryList::storeText(std::string_view prefix, std::string_view text) {
    const uint64_t offset = m_arena.size();
    const uint64_t length = prefix.size() + text.size();
    const size_t header = length >= kLongText ? sizeof length : 0;
    char* at = m_arena.extend(header + static_cast<size_t>(length) + 1);
    if (header != 0)
        std::memcpy(at, &length, sizeof length);
    at += header;
    if (!prefix.empty())
        std::memcpy(at, prefix.data(), prefix.size());
    if (!text.empty())
        std::memcpy(at + prefix.size(), text.data(), text.size());
    at[length] = '\n';
    m_liveBytes += header + static_cast<size_t>(length) + 1;
    m_textBytes += length;
    return (offset << 24) | std::min<uint64_t>(length, kLongText);
}

void EntryList::willChange() {
    if (m_dependent)
        m_dependent->entriesWillChange();
}

size_t EntryList::storedSize(Slot slot) const {
    return textOf(slot).size() + 1 + ((slot & kLongText) == kLongText ? sizeof(uint64_t) : 0);
}

int32_t EntryList::findIgnoringCase(std::string_view wanted) const {
    for (int32_t i = 0; i < count(); ++i) {
        if (iequals(text(i), wanted))
            return i;
    }
    return -1;
}

bool EntryList::append(std::string_view line) {
    return append({}, line);
}

bool EntryList::append(std::string_view prefix, std::string_view line) {
    if (m_slots.size() >= kMaxEntries ||
        m_arena.size() + prefix.size() + line.size() + 1 + sizeof(uint64_t) > m_maxBytes)
        return false;
    m_slots.push_back(storeText(prefix, line));
    if (m_appendDepth == 0 && !m_bulk && m_observer)
        m_observer->entriesAppended(count() - 1, 1);
    return true;
}

void EntryList::reset() {
    if (!m_bulk && m_observer)
        m_observer->entriesReset();
}

void EntryList::clear() {
    willChange();
    m_slots.clear();
    m_arena.release();
    m_liveBytes = 0;
    m_textBytes = 0;
    reset();
}

void EntryList::removeWhere(const std::vector<uint8_t>& remove) {
    const size_t n = std::min(remove.size(), m_slots.size());
    const auto flags = remove.begin();
    if (std::none_of(flags, flags + static_cast<std::ptrdiff_t>(n), [](uint8_t flag) { return flag != 0; }))
        return;
    willChange();
    size_t out = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (i < n && remove[i]) {
            m_liveBytes -= storedSize(m_slots[i]);
            m_textBytes -= textOf(m_slots[i]).size();
            continue;
        }
        m_slots[out++] = m_slots[i];
    }
    m_slots.resize(out);
    maybeCompact();
    reset();
}

void EntryList::reorder(const std::vector<int32_t>& order) {
    willChange();
    std::vector<Slot, LargeAllocator<Slot>> slots;
    slots.reserve(order.size());
    for (int32_t i : order)
        slots.push_back(m_slots[static_cast<size_t>(i)]);
    m_slots.swap(slots);
    // Entries left out (or taken twice) change what the texts add up to.
    m_liveBytes = 0;
    m_textBytes = 0;
    for (const Slot slot : m_slots) {
        m_liveBytes += storedSize(slot);
        m_textBytes += textOf(slot).size();
    }
    reset();
}

bool EntryList::insertAt(const std::vector<int32_t>& places, const EntryList& lines) {
    const size_t added = std::min(places.size(), lines.m_slots.size());
    if (added == 0)
        return true;
    if (m_slots.size() + added > kMaxEntries || m_arena.size() + lines.m_arena.size() > m_maxBytes)
        return false;
    willChange();
    std::vector<Slot, LargeAllocator<Slot>> slots;
    slots.reserve(m_slots.size() + added);
    reserveBytes(lines.m_liveBytes);
    size_t kept = 0;
    for (size_t k = 0; k < added; ++k) {
        const auto place = static_cast<size_t>(std::max(places[k], 0));
        while (slots.size() < place && kept < m_slots.size())
            slots.push_back(m_slots[kept++]);
        slots.push_back(storeText({}, lines.textOf(lines.m_slots[k])));
    }
    slots.insert(slots.end(), m_slots.begin() + static_cast<std::ptrdiff_t>(kept), m_slots.end());
    m_slots.swap(slots);
    reset();
    return true;
}

void EntryList::swapEntries(EntryList& other) {
    willChange();
    other.willChange();
    m_arena.swap(other.m_arena);
    m_slots.swap(other.m_slots);
    std::swap(m_liveBytes, other.m_liveBytes);
    std::swap(m_textBytes, other.m_textBytes);
    reset();
    other.reset();
}

void EntryList::reserveBytes(size_t bytes) {
    m_arena.reserve(m_arena.size() + bytes);
}

void EntryList::reserveEntries(size_t entries) {
    m_slots.reserve(m_slots.size() + std::min(entries, kMaxEntries - m_slots.size()));
}

void EntryList::beginAppend() {
    if (m_appendDepth++ == 0)
        m_appendFirst = count();
}

void EntryList::endAppend() {
    if (m_appendDepth == 0 || --m_appendDepth > 0)
        return;
    if (!m_bulk && m_observer && count() > m_appendFirst)
        m_observer->entriesAppended(m_appendFirst, count() - m_appendFirst);
}

void EntryList::beginBulkChange() {
    if (m_bulk)
        return;
    m_bulk = true;
    if (m_observer)
        m_observer->bulkChange(true);
}

void EntryList::endBulkChange() {
    if (!m_bulk)
        return;
    m_bulk = false;
    if (m_observer) {
        m_observer->bulkChange(false);
        m_observer->entriesReset();
    }
}

void EntryList::maybeCompact() {
    const size_t garbage = m_arena.size() - m_liveBytes;
    if (garbage < kCompactThreshold || garbage < m_arena.size() / 2)
        return;
    ByteArena fresh;
    fresh.reserve(m_liveBytes);
    for (Slot& s : m_slots) {
        const std::string_view text = textOf(s);
        const uint64_t offset = fresh.size();
        const size_t prefix = (s & kLongText) == kLongText ? sizeof(uint64_t) : 0;
        fresh.append(std::string_view(text.data() - prefix, text.size() + 1 + prefix));
        s = (offset << 24) | (s & kLongText);
    }
    m_arena.swap(fresh);
}

LineRange::LineRange(const EntryList& list) : m_list(list) {
    m_list.setDependent(this);
}

LineRange::~LineRange() {
    m_list.setDependent(nullptr);
}

void LineRange::set(int32_t first, int32_t count) {
    m_copy.clear();
    m_copied = false;
    m_first = first;
    m_count = std::max(0, std::min(count, m_list.count() - first));
    if (m_observer)
        m_observer->entriesReset();
}

void LineRange::setCopy(const LineSource& lines) {
    EntryList copy;
    copy.reserveEntries(static_cast<size_t>(lines.count()));
    for (int32_t i = 0; i < lines.count(); ++i)
        copy.append(lines.text(i));
    m_copy.swapEntries(copy);
    m_copied = true;
    m_first = 0;
    m_count = m_copy.count();
    if (m_observer)
        m_observer->entriesReset();
}

std::string_view LineRange::text(int32_t index) const {
    if (index < 0 || index >= m_count)
        return {};
    return m_copied ? m_copy.text(index) : m_list.text(m_first + index);
}

void LineRange::entriesWillChange() {
    if (m_copied || m_count == 0)
        return;
    size_t bytes = 0;
    for (int32_t i = 0; i < m_count; ++i)
        bytes += m_list.text(m_first + i).size();
    m_copy.reserveBytes(bytes);
    m_copy.reserveEntries(static_cast<size_t>(m_count));
    for (int32_t i = 0; i < m_count; ++i)
        m_copy.append(m_list.text(m_first + i));
    m_copied = true;
}

} // namespace velmora
