#include "merge/RemoveBlock.h"

#include "core/TextUtil.h"

#include <string>
#include <vector>

namespace velmora {

std::vector<uint8_t> markBlocks(const EntryList& list, std::string_view name) {
    const bool section = !name.empty() && name.front() == '#';
    const std::string start = section ? std::string(name) : "#BEGIN of " + std::string(name);
    const std::string end = section ? std::string("#") : "#END of " + std::string(name);
    const int32_t n = list.count();
    auto isEnd = [&](int32_t i) { return list.text(i).starts_with(end); };

    // One forward pass marks what repeated searches from the top would remove: the lines before a
    // found start line hold no start line, so the next search can only find one further down.
    std::vector<uint8_t> remove(static_cast<size_t>(n), 0);
    int32_t i = 0;
    while (i < n) {
        if (!istartsWith(list.text(i), start)) {
            ++i;
            continue;
        }
        remove[static_cast<size_t>(i)] = 1;
        int32_t j = i + 1;
        if (!section && j < n && isEnd(j)) {
            remove[static_cast<size_t>(j)] = 1;
            i = j + 1;
            continue;
        }
        bool body = false;
        while (j < n) {
            const bool endLine = isEnd(j);
            remove[static_cast<size_t>(j)] = 1;
            ++j;
            if (endLine && body)
                break;
            if (!endLine)
                body = true;
        }
        i = j;
    }
    return remove;
}

int32_t removeBlocks(EntryList& list, std::string_view name) {
    const int32_t before = list.count();
    list.removeWhere(markBlocks(list, name));
    return before - list.count();
}

} // namespace velmora
