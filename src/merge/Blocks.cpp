#include "merge/Blocks.h"

#include "core/TextUtil.h"
#include "merge/DuplicateIndex.h"
#include "merge/SourceList.h"

namespace velmora {

namespace {

bool isMarker(std::string_view text) {
    return istartsWith(text, kBlockBegin) || istartsWith(text, kBlockEnd);
}

} // namespace

std::vector<BlockInfo> findBlocks(const LineSource& lines) {
    std::vector<BlockInfo> blocks;
    const int32_t n = lines.count();
    for (int32_t i = 0; i < n; ++i) {
        const std::string_view text = lines.text(i);
        if (!istartsWith(text, kBlockBegin))
            continue;
        BlockInfo block;
        block.name = std::string(trimSpaces(text.substr(kBlockBegin.size())));
        block.begin = i;
        if (i + 1 < n && lines.text(i + 1).starts_with(kBlockSource))
            block.source = std::string(trimSpaces(lines.text(i + 1).substr(kBlockSource.size())));
        block.end = n;
        for (int32_t j = i + 1; j < n; ++j) {
            const std::string_view line = lines.text(j);
            if (istartsWith(line, kBlockEnd) && iequals(trimSpaces(line.substr(kBlockEnd.size())), block.name)) {
                block.end = j;
                break;
            }
        }
        i = block.end;
        blocks.push_back(std::move(block));
    }
    return blocks;
}

BlockReplacement replaceBlock(const EntryList& lines, const std::string& name, const std::string& source,
                              FileSystem& files, const std::string& listPath, const AllowList* allow,
                              ProgressSink& progress, EntryList& replacement) {
    BlockReplacement result;
    const int32_t n = lines.count();
    std::vector<uint8_t> old(static_cast<size_t>(n), 0);
    int32_t place = -1;
    for (const BlockInfo& block : findBlocks(lines)) {
        if (!iequals(block.name, name))
            continue;
        if (place < 0)
            place = block.begin;
        for (int32_t i = block.begin; i <= block.end && i < n; ++i)
            old[static_cast<size_t>(i)] = 1;
    }
    EntryList fresh;
    fresh.beginAppend();
    int32_t at = 0; // where the new block goes among the lines kept
    for (int32_t i = 0; i < n; ++i) {
        if (i == place)
            at = fresh.count();
        if (old[static_cast<size_t>(i)])
            ++result.removed;
        else
            fresh.append(lines.text(i));
    }
    if (place < 0)
        at = fresh.count();
    fresh.endAppend();

    const int32_t first = fresh.count();
    {
        DuplicateIndex index(fresh);
        indexHostsLines(fresh, index, progress);
        fresh.append(std::string(kBlockBegin) + name);
        fresh.append(std::string(kBlockSource) + source);
        progress.setTitle("Merging New HOSTS...");
        progress.show();
        const SourceReadResult read = readSourceFile(files, listPath, fresh, index, progress, nullptr, allow, true);
        progress.close();
        if (read.error != 0) {
            result.error = read.error;
            return result;
        }
        result.keptOut = read.keptOut;
    }
    // A list that carries markers of its own would end the new block early, or open another in it.
    std::vector<uint8_t> markers(static_cast<size_t>(fresh.count()), 0);
    for (int32_t i = first + 2; i < fresh.count(); ++i)
        markers[static_cast<size_t>(i)] = isMarker(fresh.text(i)) ? 1 : 0;
    fresh.removeWhere(markers);
    fresh.append(std::string(kBlockEnd) + name);
    result.added = fresh.count() - first;

    std::vector<int32_t> order;
    order.reserve(static_cast<size_t>(fresh.count()));
    for (int32_t i = 0; i < at; ++i)
        order.push_back(i);
    for (int32_t i = first; i < fresh.count(); ++i)
        order.push_back(i);
    for (int32_t i = at; i < first; ++i)
        order.push_back(i);
    fresh.reorder(order);

    result.changed = result.removed != result.added;
    for (int32_t i = 0, j = place; !result.changed && i < result.added; ++i, ++j)
        result.changed = !old[static_cast<size_t>(j)] || lines.text(j) != fresh.text(at + i);
    if (result.changed)
        replacement.swapEntries(fresh);
    return result;
}

} // namespace velmora
