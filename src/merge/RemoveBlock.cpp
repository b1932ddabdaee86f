#include "merge/RemoveBlock.h"

#include "core/TextUtil.h"
#include "merge/Blocks.h"

#include <vector>

namespace velmora {

namespace {

std::vector<uint8_t> markSections(const EntryList& list, std::string_view heading) {
    const int32_t n = list.count();
    auto isComment = [&](int32_t i) { return list.text(i).starts_with('#'); };

    // One forward pass marks what repeated searches from the top would remove: the lines before a
    // found heading hold no heading, so the next search can only find one further down.
    std::vector<uint8_t> remove(static_cast<size_t>(n), 0);
    int32_t i = 0;
    while (i < n) {
        if (!istartsWith(list.text(i), heading)) {
            ++i;
            continue;
        }
        remove[static_cast<size_t>(i)] = 1;
        int32_t j = i + 1;
        bool body = false;
        while (j < n) {
            const bool comment = isComment(j);
            remove[static_cast<size_t>(j)] = 1;
            ++j;
            if (comment && body)
                break;
            if (!comment)
                body = true;
        }
        i = j;
    }
    return remove;
}

} // namespace

std::vector<uint8_t> markBlocks(const EntryList& list, std::string_view name) {
    if (!name.empty() && name.front() == '#')
        return markSections(list, name);
    return linesOfBlocks(list, name);
}

int32_t removeBlocks(EntryList& list, std::string_view name) {
    const int32_t before = list.count();
    list.removeWhere(markBlocks(list, name));
    return before - list.count();
}

} // namespace velmora
