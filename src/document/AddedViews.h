#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace velmora {

// What the added lines, the two "N items" texts and the HOSTS path box showed at one state of the
// lines, and which file the lines were read from.
struct AddedView {
    int32_t first = 0; // the lines as entries of the document's lines at that state, when there is no copy
    int32_t count = 0;
    std::shared_ptr<EntryList> copy; // the lines themselves, when they were no longer entries of the lines
    std::string addedStatus;
    std::string rereadStatus;
    std::string hostsPath;
    std::string readPath;
};

// The views of the added lines before and after each change that set them (a merge, an update of
// blocks, a removal that rebuilt them), by the history's states, so that taking the change back shows
// again what was shown before it, and making it again what it showed.
class AddedViews {
public:
    // The change led the lines from state `before` to state `after`.
    void record(uint64_t before, uint64_t after, AddedView beforeView, AddedView afterView);
    // The view to show after a step of the history from one state to another: the view before a change
    // taken back, the view after a change made again; null when the step was no such change. `left`,
    // when given, gets the view the step leaves.
    const AddedView* after(uint64_t from, uint64_t to, bool back, const AddedView** left = nullptr) const;
    void clear() { m_changes.clear(); }

private:
    struct Change {
        uint64_t before = 0;
        uint64_t after = 0;
        AddedView beforeView;
        AddedView afterView;
    };
    std::deque<Change> m_changes;
};

} // namespace velmora
