#include "core/Selection.h"

#include <algorithm>

namespace velmora {

bool Selection::isSelected(int32_t index) const {
    return index >= 0 && static_cast<size_t>(index) < m_flags.size() && m_flags[static_cast<size_t>(index)];
}

void Selection::changed(bool reveal) {
    if (m_listener)
        m_listener(reveal);
}

void Selection::selectAll(int32_t lines) {
    m_flags.assign(static_cast<size_t>(std::max(lines, 0)), 1);
    m_count = std::max(lines, 0);
    changed(false);
}

void Selection::clear() {
    m_flags.clear();
    m_count = 0;
    changed(false);
}

void Selection::selectOnly(int32_t index) {
    m_flags.assign(static_cast<size_t>(index) + 1, 0);
    m_flags.back() = 1;
    m_count = 1;
    m_current = index;
    changed(true);
}

void Selection::selectLines(const std::vector<int32_t>& lines) {
    if (lines.empty()) {
        reset();
        return;
    }
    m_flags.assign(static_cast<size_t>(lines.back()) + 1, 0);
    for (int32_t line : lines)
        m_flags[static_cast<size_t>(line)] = 1;
    m_count = static_cast<int32_t>(lines.size());
    m_current = lines.front();
    changed(true);
}

void Selection::reset() {
    m_flags.clear();
    m_count = 0;
    m_current = -1;
    changed(false);
}

void Selection::linesRemoved(const std::vector<uint8_t>& removed, int32_t linesLeft) {
    std::vector<uint8_t> kept;
    int32_t current = m_current;
    for (size_t i = 0; i < removed.size() || i < m_flags.size(); ++i) {
        const bool gone = i < removed.size() && removed[i];
        if (!gone)
            kept.push_back(i < m_flags.size() ? m_flags[i] : 0);
        else if (m_current >= 0 && static_cast<size_t>(m_current) > i)
            --current;
    }
    m_flags.swap(kept);
    m_count = static_cast<int32_t>(std::count(m_flags.begin(), m_flags.end(), 1));
    m_current = std::min(current, linesLeft - 1);
    changed(false);
}

void Selection::setRangeFromView(int32_t first, int32_t last, bool selected) {
    first = std::max(first, 0);
    if (last < first)
        return;
    if (static_cast<size_t>(last) >= m_flags.size())
        m_flags.resize(static_cast<size_t>(last) + 1, 0);
    for (int32_t i = first; i <= last; ++i) {
        uint8_t& flag = m_flags[static_cast<size_t>(i)];
        m_count += static_cast<int32_t>(selected) - static_cast<int32_t>(flag);
        flag = selected ? 1 : 0;
    }
}

void Selection::setCurrentFromView(int32_t index) {
    m_current = std::max(index, -1);
}

} // namespace velmora
