#include "document/AddedViews.h"

#include <algorithm>

namespace velmora {

namespace {
// As many as the history keeps changes; older ones can no longer be taken back.
constexpr size_t kMaxChanges = 1000;
} // namespace

void AddedViews::record(uint64_t before, uint64_t after, AddedView beforeView, AddedView afterView) {
    if (before == after)
        return;
    m_changes.push_back({before, after, std::move(beforeView), std::move(afterView)});
    if (m_changes.size() > kMaxChanges)
        m_changes.pop_front();
}

const AddedView* AddedViews::after(uint64_t from, uint64_t to, bool back, const AddedView** left) const {
    const auto change = std::find_if(m_changes.rbegin(), m_changes.rend(), [&](const Change& c) {
        return back ? c.after == from && c.before == to : c.before == from && c.after == to;
    });
    if (change == m_changes.rend())
        return nullptr;
    if (left)
        *left = back ? &change->afterView : &change->beforeView;
    return back ? &change->beforeView : &change->afterView;
}

} // namespace velmora
