#include "merge/BlockSwitch.h"

#include "core/TextUtil.h"
#include "merge/Blocks.h"

#include <algorithm>
#include <vector>

namespace velmora {

namespace {
// The prefix without its blank: what an empty line becomes.
constexpr std::string_view kBarePrefix = kSwitchedOffPrefix.substr(0, kSwitchedOffPrefix.size() - 1);
} // namespace

std::string switchedOffLine(std::string_view line) {
    if (line.empty())
        return std::string(kBarePrefix);
    std::string off;
    off.reserve(kSwitchedOffPrefix.size() + line.size());
    off += kSwitchedOffPrefix;
    off += line;
    return off;
}

std::string_view switchedOnLine(std::string_view line) {
    if (line == kBarePrefix)
        return {};
    if (line.starts_with(kSwitchedOffPrefix))
        return line.substr(kSwitchedOffPrefix.size());
    return line;
}

BlockSwitchResult switchBlocks(const LineSource& lines, std::string_view name, bool on, EntryList& out) {
    BlockSwitchResult result;
    std::vector<BlockInfo> mine;
    for (BlockInfo& block : findBlocks(lines)) {
        if (iequals(block.name, name))
            mine.push_back(std::move(block));
    }
    result.blocks = static_cast<int32_t>(mine.size());
    if (mine.empty())
        return result;
    if (std::any_of(mine.begin(), mine.end(), [](const BlockInfo& block) { return !block.closed; })) {
        result.status = BlockSwitchStatus::NoEnd;
        return result;
    }
    if (std::all_of(mine.begin(), mine.end(), [&](const BlockInfo& block) { return block.off != on; })) {
        result.status = BlockSwitchStatus::AlreadySo;
        return result;
    }
    result.status = BlockSwitchStatus::Switched;

    EntryList switched;
    switched.reserveEntries(static_cast<size_t>(lines.count()) + mine.size());
    switched.beginAppend();
    int32_t next = 0; // the first line not yet copied
    for (const BlockInfo& block : mine) {
        if (block.off != on)
            continue;
        const int32_t body = block.begin + 1 + block.notes;
        // The start marker and every note but the state note stay; the state note is the last of them.
        const int32_t keptNotes = on ? body - 1 : body;
        for (; next < keptNotes; ++next)
            switched.append(lines.text(next));
        if (on) {
            ++next; // the state note goes
            for (; next < block.end; ++next)
                switched.append(switchedOnLine(lines.text(next)));
        } else {
            switched.append(kBlockOffNote);
            for (; next < block.end; ++next)
                switched.append(switchedOffLine(lines.text(next)));
        }
    }
    for (; next < lines.count(); ++next)
        switched.append(lines.text(next));
    switched.endAppend();
    out.swapEntries(switched);
    return result;
}

} // namespace velmora
